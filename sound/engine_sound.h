// Every bike's synthesised engine note, written ahead of the audio output.
#pragma once

// Once per frame for each bike with a voice; volume 0..1.
void update_engine_sound(int slot, double volume);
