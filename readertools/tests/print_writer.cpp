// Writes a realistic synthetic print as an 8-bit bitmap: print_writer SEED FILE.bmp
#include "touch_support.h"

#include <cstdlib>

int main(int argc, char **argv) {
  if (argc != 3) return 2;
  touch::writeBmp(argv[2], touch::print(static_cast<unsigned>(std::atoi(argv[1]))));
  return 0;
}
