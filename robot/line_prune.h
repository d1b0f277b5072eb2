// Thinning crowded first-lap segments when a session is set up.
#pragma once

#include "robot/lines.h"

// Every first-lap segment holding 44 or more lines loses, until fewer than
// 44 remain, first the line that crosses the most others of the segment
// (of equals, the one that has done worse) and then the line eviction
// would choose.
void prune_lines(LineTable& table);
