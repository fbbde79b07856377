#!/usr/bin/env python3
"""Writes the sign-in and onboarding Lottie animations into resources/animations.

    tools/animations/make_auth_animations.py [resources/animations]

Small looping vector animations in the product's palette; rerun after changing a drawing here.
"""
import json
import math
import os
import sys

FPS = 30
ACCENT = [0.169, 0.482, 0.980, 1]       # #2B7BFA
LIGHT = [0.435, 0.612, 0.851, 1]        # #6F9CD9
SELECTED = [0.149, 0.435, 0.886, 1]     # #266FE2
GREEN = [0.227, 0.800, 0.451, 1]        # #3ACC73
CYAN = [0.416, 0.957, 0.973, 1]         # #6AF4F8
PANEL = [0.180, 0.259, 0.439, 1]        # #2E4270
WHITE = [1, 1, 1, 1]


def static(value):
    return {"a": 0, "k": value}


def keyframes(keys, eased):
    """keys: list of (frame, value); eased in and out between them, or at an even pace."""
    ease_in, ease_out = (0.5, 0.5) if eased else (1, 0)
    out = []
    for (t0, v0), (t1, v1) in zip(keys, keys[1:]):
        v0 = v0 if isinstance(v0, list) else [v0]
        v1 = v1 if isinstance(v1, list) else [v1]
        n = len(v0)
        out.append({"t": t0, "s": v0, "e": v1,
                    "i": {"x": [ease_in] * n, "y": [1] * n}, "o": {"x": [ease_out] * n, "y": [0] * n}})
    out.append({"t": keys[-1][0]})
    return {"a": 1, "k": out}


def animated(keys, frames):
    return keyframes(keys, True)


def linear(keys):
    return keyframes(keys, False)


def transform(p=(0, 0), s=100, r=0, o=100):
    return {"ty": "tr", "p": static(list(p)), "a": static([0, 0]), "s": static([s, s]),
            "r": static(r), "o": static(o)}


def ellipse(w, h=None, p=(0, 0)):
    return {"ty": "el", "d": 1, "p": static(list(p)), "s": static([w, h if h is not None else w])}


def rect(w, h, p=(0, 0), r=0):
    return {"ty": "rc", "d": 1, "p": static(list(p)), "s": static([w, h]), "r": static(r)}


def path(points, closed=False, tangents=None):
    n = len(points)
    ins = [[0, 0]] * n
    outs = [[0, 0]] * n
    if tangents:
        ins, outs = tangents
    return {"ty": "sh", "ks": static({"c": closed, "v": [list(p) for p in points], "i": ins, "o": outs})}


def arc(cx, cy, radius, start_deg, end_deg):
    """A circular arc as one bezier path (segments of at most 90 degrees)."""
    segments = max(1, math.ceil(abs(end_deg - start_deg) / 90))
    step = math.radians(end_deg - start_deg) / segments
    k = 4 / 3 * math.tan(step / 4)
    points, ins, outs = [], [], []
    for i in range(segments + 1):
        a = math.radians(start_deg) + step * i
        x, y = cx + radius * math.cos(a), cy + radius * math.sin(a)
        tx, ty = -math.sin(a) * radius * k, math.cos(a) * radius * k
        points.append([x, y])
        ins.append([-tx, -ty])
        outs.append([tx, ty])
    return {"ty": "sh", "ks": static({"c": False, "v": points, "i": ins, "o": outs})}


def fill(color, o=100):
    return {"ty": "fl", "c": static(color), "o": static(o) if not isinstance(o, dict) else o, "r": 1}


def stroke(color, w, o=100, dash=None):
    s = {"ty": "st", "c": static(color), "o": static(o) if not isinstance(o, dict) else o, "w": static(w),
         "lc": 2, "lj": 2}
    if dash:
        s["d"] = [{"n": "d", "nm": "dash", "v": static(dash[0])}, {"n": "g", "nm": "gap", "v": static(dash[1])},
                  {"n": "o", "nm": "offset", "v": dash[2] if len(dash) > 2 else static(0)}]
    return s


def trim(start, end, offset=None):
    return {"ty": "tm", "s": static(start), "e": static(end), "o": offset or static(0), "m": 1}


def group(items, tr=None):
    return {"ty": "gr", "it": items + [tr or transform()]}


def layer(name, shapes, frames, p, o=None, s=None, r=None, index=1):
    return {"ddd": 0, "ind": index, "ty": 4, "nm": name, "sr": 1,
            "ks": {"o": o or static(100), "r": r or static(0), "p": p if isinstance(p, dict) else static(list(p) + [0]),
                   "a": static([0, 0, 0]), "s": s or static([100, 100, 100])},
            "ao": 0, "shapes": shapes, "ip": 0, "op": frames, "st": 0, "bm": 0}


def animation(name, w, h, frames, layers):
    for i, l in enumerate(layers):
        l["ind"] = i + 1
    return {"v": "5.5.2", "fr": FPS, "ip": 0, "op": frames, "w": w, "h": h, "nm": name, "ddd": 0,
            "assets": [], "layers": layers}


def shield(size, color, o=100):
    """A shield outline centred on the origin, `size` high."""
    h = size
    w = size * 0.82
    top = -h / 2
    pts = [[0, top], [w / 2, top + h * 0.16], [w / 2, top + h * 0.50], [0, top + h], [-w / 2, top + h * 0.50],
           [-w / 2, top + h * 0.16]]
    # Round the lower half: the sides bow down to the point.
    ins = [[0, 0], [-w * 0.18, -h * 0.05], [0, -h * 0.1], [w * 0.30, h * 0.0], [0, h * 0.22], [0, 0]]
    outs = [[0, 0], [0, 0], [0, h * 0.22], [-w * 0.30, h * 0.0], [0, -h * 0.1], [w * 0.18, -h * 0.05]]
    return [path(pts, True, (ins, outs)), fill(color, o)]


def check(size, color, width):
    return [path([[-size * 0.5, 0], [-size * 0.1, size * 0.4], [size * 0.55, -size * 0.35]]), stroke(color, width)]


def loader():
    frames = 30
    ring = layer("track", [group([ellipse(56), stroke(PANEL, 6)])], frames, (36, 36))
    spinner = layer("arc", [group([ellipse(56), trim(0, 28), stroke(ACCENT, 6)])], frames, (36, 36),
                    r=linear([(0, 0), (frames, 360)]))
    return animation("loader", 72, 72, frames, [spinner, ring])


def sign_in():
    frames = 120
    layers = []
    # Centre: a shield with a check mark, breathing gently.
    layers.append(layer("check", [group(check(44, WHITE, 9))], frames, (130, 132),
                        s=animated([(0, [100, 100, 100]), (60, [108, 108, 100]), (120, [100, 100, 100])], frames)))
    layers.append(layer("shield", [group(shield(110, ACCENT))], frames, (130, 130),
                        s=animated([(0, [100, 100, 100]), (60, [108, 108, 100]), (120, [100, 100, 100])], frames)))
    # Orbiting dots on a dashed orbit.
    dots = []
    for angle, color in ((0, CYAN), (120, GREEN), (240, LIGHT)):
        a = math.radians(angle)
        dots.append(group([ellipse(12, p=(104 * math.cos(a), 104 * math.sin(a))), fill(color)]))
    layers.append(layer("dots", dots, frames, (130, 130), r=linear([(0, 0), (frames, 360)])))
    layers.append(layer("orbit", [group([ellipse(208), stroke(LIGHT, 2, 45, dash=(6, 8))])], frames, (130, 130)))
    # Rings that widen and fade, one after another.
    for i in range(3):
        start = i * 40
        keys_s = [(0, [50, 50, 100]), (120, [125, 125, 100])]
        keys_o = [(0, 70), (120, 0)]
        ring = layer("ring%d" % i, [group([ellipse(180), stroke(SELECTED, 3)])], frames, (130, 130),
                     s=linear(keys_s), o=linear(keys_o))
        ring["st"] = start
        ring["ip"] = start
        ring["op"] = start + 120
        layers.append(ring)
        # The same ring again one loop earlier, so the loop has no gap.
        early = json.loads(json.dumps(ring))
        early["st"] = start - 120
        early["ip"] = 0
        early["op"] = start
        layers.append(early)
    return animation("signInAnimation", 260, 260, frames, layers)


def sra_data():
    frames = 90
    layers = []
    # A laptop on the left, a building of servers on the right, a secure tunnel between.
    laptop = [group([rect(64, 42, (0, -6), 5), stroke(LIGHT, 3)]), group([rect(84, 6, (0, 20), 3), fill(LIGHT)])]
    layers.append(layer("laptop", laptop, frames, (52, 95)))
    servers = []
    for i in range(3):
        servers.append(group([rect(58, 18, (0, -24 + i * 24), 4), stroke(LIGHT, 3)]))
        servers.append(group([ellipse(5, p=(-18, -24 + i * 24)), fill(GREEN)]))
    layers.append(layer("servers", servers, frames, (248, 95)))
    lock = [group([rect(26, 20, (0, 6), 4), fill(ACCENT)]),
            group([arc(0, -2, 8, 180, 360), stroke(ACCENT, 3)])]
    layers.append(layer("lock", lock, frames, (150, 60),
                        s=animated([(0, [100, 100, 100]), (45, [115, 115, 100]), (90, [100, 100, 100])], frames)))
    # Packets running through the tunnel.
    for i in range(3):
        layers.append(moving("packet%d" % i, [group([rect(14, 8, (0, 0), 4), fill(CYAN)])], frames, 95, 100, 200,
                             i * 30))
    tunnel = [group([path([[-52, 0], [52, 0]]), stroke(PANEL, 14)])]
    layers.append(layer("tunnel", tunnel, frames, (150, 95)))
    return animation("sra_data", 300, 190, frames, layers)


def moving(name, shapes, frames, y, x0, x1, delay):
    """A shape crossing from x0 to x1 once per loop at an even pace, `delay` frames ahead of the others."""
    delay %= frames
    if delay == 0:
        return layer(name, shapes, frames, linear([(0, [x0, y, 0]), (frames, [x1, y, 0])]))
    ahead = x0 + (x1 - x0) * delay / frames
    return layer(name, shapes, frames, linear([(0, [ahead, y, 0]), (frames - delay, [x1, y, 0]),
                                               (frames - delay + 0.01, [x0, y, 0]), (frames, [ahead, y, 0])]))


def traffic_data():
    frames = 90
    layers = []
    layers.append(layer("shield", [group(check(34, WHITE, 7), transform((0, 2))), group(shield(96, ACCENT))],
                        frames, (236, 95)))
    for lane, (y, color) in enumerate(((60, LIGHT), (95, CYAN), (130, LIGHT))):
        for k in range(2):
            delay = (lane * 13 + k * 45) % frames
            layers.append(moving("packet%d_%d" % (lane, k), [group([rect(22, 10, (0, 0), 5), fill(color)])],
                                 frames, y, 30, 186, delay))
        layers.append(layer("lane%d" % lane, [group([path([[-80, 0], [80, 0]]), stroke(PANEL, 2, 100)])],
                            frames, (108, y)))
    return animation("traffic_data", 300, 190, frames, layers)


def wifi_data():
    frames = 90
    layers = []
    layers.append(layer("badge", [group(check(16, WHITE, 4)), group([ellipse(40), fill(GREEN)])], frames, (214, 142)))
    layers.append(layer("dot", [group([ellipse(16), fill(WHITE)])], frames, (150, 150)))
    for i, radius in enumerate((34, 62, 90)):
        t = 10 + i * 15
        opacity = animated([(0, 25), (t, 25), (t + 15, 100), (70, 100), (frames, 25)], frames)
        layers.append(layer("arc%d" % i, [group([arc(0, 0, radius, 225, 315), stroke(ACCENT if i == 2 else LIGHT, 10)])],
                            frames, (150, 150), o=opacity))
    return animation("wifi_data", 300, 190, frames, layers)


def edge_data():
    frames = 120
    layers = []
    layers.append(layer("shield", [group(check(20, WHITE, 5), transform((0, 1))), group(shield(58, ACCENT))],
                        frames, (200, 122),
                        s=animated([(0, [100, 100, 100]), (60, [112, 112, 100]), (120, [100, 100, 100])], frames)))
    satellite = [group([ellipse(12, p=(0, -78)), fill(CYAN)])]
    layers.append(layer("satellite", satellite, frames, (150, 95), r=linear([(0, 0), (frames, 360)])))
    layers.append(layer("orbit", [group([ellipse(156), stroke(LIGHT, 2, 40, dash=(4, 7))])], frames, (150, 95)))
    globe = [group([ellipse(110), stroke(LIGHT, 4)]),
             group([ellipse(48, 110), stroke(LIGHT, 3)]),
             group([path([[-55, 0], [55, 0]]), stroke(LIGHT, 3)]),
             group([path([[-47, -28], [47, -28]]), stroke(LIGHT, 3)]),
             group([path([[-47, 28], [47, 28]]), stroke(LIGHT, 3)])]
    layers.append(layer("globe", globe, frames, (150, 95)))
    return animation("edge_data", 300, 190, frames, layers)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "resources",
                                                              "animations")
    for anim in (loader(), sign_in(), sra_data(), traffic_data(), wifi_data(), edge_data()):
        with open(os.path.join(out, anim["nm"] + ".json"), "w") as f:
            json.dump(anim, f, separators=(",", ":"))
            f.write("\n")


if __name__ == "__main__":
    main()
