// Points series: championships of several motos read from ".series" files.
#pragma once

// Reads every ".series" file of the data folders at start-up.
void load_series_definitions();
