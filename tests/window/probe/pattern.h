// The probe's pictures, drawn through the platform's own operations. The tests draw them again
// on a headless screen to know what the window must show.
#pragma once

// Mode 12, sixteen colour bands, a one-pixel checkerboard, a marked corner each, a changed
// palette entry and a line of text: any scaling, filtering, flip or colour shift shows.
void draw_probe_pattern();

// The cream screen, as Orbelin's start-up leaves it: entry 0 cream, everything cleared to it.
void draw_cream_screen();
