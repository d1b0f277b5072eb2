// The core archive's own small files.
#include "tools/datagen/datagen.h"

void gen_core_files(DataSet& ds) {
  ds.add_core("version.txt", "Kiwi Ridge data set 1\n");
  ds.add_core("readme.txt",
              "Kiwi Ridge game data.\n"
              "Files in the home folder with the same names override these.\n");
}
