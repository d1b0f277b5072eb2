// Screenshot numbering and saving ("screenshot%03d.png" in the home folder).
#pragma once
#include <string>
#include <vector>

// One more than the highest N of the names "screenshotN..." (digits right
// after the word, whatever follows them); 1 when there is none.
unsigned first_free_screenshot_number(const std::vector<std::string>& data_names);

// Saves the current frame under the next number (found from the data-file
// names on first use) and shows where it went. next: 0 when not yet known.
void take_screenshot(unsigned& next);
