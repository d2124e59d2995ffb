// An --on-over-current program for the host's tests: appends the HALVEX_ variables it got, one
// a line in name order (but the tests' own HALVEX_UPDATE_EXPECTED, which the host passes on), then
// a line "--", to the file its first argument names, and ends with the status its second argument
// gives; "hang" waits for ever instead.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#define HOOK_ENVIRONMENT _environ
#else
extern char** environ;
#define HOOK_ENVIRONMENT environ
#endif

int main(int argc, char** argv) {
  if (argc != 3) return 64;
  std::vector<std::string> variables;
  for (char** entry = HOOK_ENVIRONMENT; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    if (variable.rfind("HALVEX_", 0) == 0 && variable.rfind("HALVEX_UPDATE_EXPECTED=", 0) != 0) {
      variables.push_back(variable);
    }
  }
  std::sort(variables.begin(), variables.end());
  {
    std::ofstream out(argv[1], std::ios::app | std::ios::binary);
    for (const std::string& variable : variables) out << variable << '\n';
    out << "--\n";
  }
  if (std::string(argv[2]) != "hang") return std::atoi(argv[2]);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
