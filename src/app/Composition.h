#pragma once

// What the client is made of, said in one place: every controller the storyboards make, the overlay's
// popovers that belong to screens, the menus' two front ends, where an uncaught exception is reported. The
// application delegate runs it first; later calls do nothing.
void composeClient();
