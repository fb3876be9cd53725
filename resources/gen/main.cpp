// The art generator: draws every picture and sound of the program into one
// folder together with "art.rc", the resource-script fragment naming them.
//   waylune_artgen OUTPUT_FOLDER

#include <cstdio>
#include <exception>

#include "art_catalog.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  try {
    const art::ArtSet set = art::AddAllArt();
    set.WriteAll(argv[1]);
    std::printf("art: %zu files written to %s\n", set.Files().size(), argv[1]);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "art generator: %s\n", e.what());
    return 1;
  }
}
