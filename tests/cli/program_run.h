// ostrevin-calc run as a user runs it, for the tests of the program: a
// command through the shell in the tests' own folder, its output, errors
// and exit status.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace ostrevin::test_support {

struct Result {
  int status;
  std::string out, err;
};

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline const std::string kDir = OSTREVIN_TEST_DIR;

// Runs the program through the shell with `redirect` appended ("> /dev/full").
inline Result Calc(const std::string& arguments, const std::string& redirect = "> out.txt",
                   const std::string& environment = "") {
  const std::string command = "cd '" + kDir + "' && rm -f out.txt err.txt && " + environment +
                              " '" + OSTREVIN_CALC + "' " + arguments + " " + redirect +
                              " 2> err.txt";
  const int raw = std::system(command.c_str());
  return {WEXITSTATUS(raw), Slurp(kDir + "/out.txt"), Slurp(kDir + "/err.txt")};
}

// Runs a shell line in the test folder: its output and exit status.
inline Result Shell(const std::string& line) {
  const std::string command =
      "cd '" + kDir + "' && rm -f out.txt err.txt && { " + line + " ; } > out.txt 2> err.txt";
  const int raw = std::system(command.c_str());
  return {WEXITSTATUS(raw), Slurp(kDir + "/out.txt"), Slurp(kDir + "/err.txt")};
}

inline const std::string kCalc = std::string("'") + OSTREVIN_CALC + "'";

}  // namespace ostrevin::test_support
