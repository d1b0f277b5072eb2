#include "core/kiwiridge.h"

int main(int argc, char** argv) { return kiwiridge_main(argc, argv); }
