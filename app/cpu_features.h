// The processor's packed-integer extension, used by the software renderers.
#pragma once

bool cpu_has_mmx();
