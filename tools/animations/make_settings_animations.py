#!/usr/bin/env python3
"""Writes the settings and support Lottie animations into resources/animations.

    tools/animations/make_settings_animations.py [resources/animations]

The troubleshooting loader: a pulse line across a faint track, its bright part running along it while the
logs are collected. Uses the drawing helpers of make_auth_animations.py.
"""
import json
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from make_auth_animations import (ACCENT, LIGHT, animation, group, layer, linear, path, static, stroke,  # noqa: E402
                                  trim)

WIDTH, HEIGHT = 200, 56


def pulse_points():
    """A flat line with one heartbeat in the middle, centred on the canvas."""
    mid = HEIGHT / 2
    return [[12, mid], [70, mid], [82, mid - 4], [92, mid + 6], [102, mid - 20], [114, mid + 18],
            [124, mid - 6], [132, mid], [188, mid]]


def troubleshooting_loader():
    frames = 60
    line = path(pulse_points())
    track = layer("track", [group([line, stroke(LIGHT, 2.5, o=30)])], frames, (0, 0))
    runner = layer("runner", [group([line, trim(0, 35, linear([(0, -130), (frames, 230)])), stroke(ACCENT, 3)])],
                   frames, (0, 0))
    return animation("troubleshootingLoader", WIDTH, HEIGHT, frames, [runner, track])


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "resources",
                                                              "animations")
    anim = troubleshooting_loader()
    with open(os.path.join(out, anim["nm"] + ".json"), "w") as f:
        json.dump(anim, f, separators=(",", ":"))
        f.write("\n")


if __name__ == "__main__":
    main()
