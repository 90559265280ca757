// Writes one key of a settings file, as the window does on closing when the
// host launched it, so that the tests can stop that write from outside:
//   faults_ini_writer FILE SECTION KEY VALUE
// Exits with 0 when written; otherwise prints the error and exits with 1.
#include <cstdio>
#include <cstdlib>

#include "app/ini_file.h"
#include "tables/errors.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: faults_ini_writer FILE SECTION KEY VALUE\n");
    return 2;
  }
  try {
    orb::WritePrivateProfileInt(argv[1], argv[2], argv[3], std::atoi(argv[4]));
  } catch (const orb::Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    return 1;
  }
  return 0;
}
