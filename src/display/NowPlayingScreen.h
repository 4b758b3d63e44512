// The now-playing screen: the player's title, times, position bar and spectrum.
#pragma once

// Cuts the player's caption down to the title in place: the " - Winamp" or
// " - Winamp [Paused]" suffix and a leading playlist number ("12. ") go.
void CleanTitle(char* title);
