// Stands in for another build of the program in the self-update tests: a program of this machine
// that answers "--version" the way the program does. The tests write the line it tells into the
// slot after the marker in a copy of this file.

#include <cstdio>
#include <cstring>

// Not const and seen from outside: the compiler has to read the line from the file at run time.
extern char gVersionSlot[96];
char gVersionSlot[96] = "@@VELMORA-VERSION-SLOT@@velmora 2026-09-07";

int main(int argc, char* argv[]) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
    std::printf("%s\n", gVersionSlot + std::strlen("@@VELMORA-VERSION-SLOT@@"));
  return 0;
}
