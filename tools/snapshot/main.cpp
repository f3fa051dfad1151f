// kolmari-snapshot: draws Kolmari's editor offscreen into a PNG file.
#include "SnapshotApp.h"

#include <iostream>

int main(int argc, char** argv)
{
  return kolmari::snapshot::SnapshotMain(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
