#include "tests/app/app_test_env.h"
#include <cstdio>
#include <cstdlib>

std::string make_test_config_home() {
  char tmpl[] = "/tmp/eh_app_XXXXXX";
  if (!mkdtemp(tmpl)) return "";
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  setenv("XDG_DATA_HOME", tmpl, 1);
  return tmpl;
}

void remove_folder(const std::string& folder) {
  if (folder.empty()) return;
  std::string cmd = "rm -rf '" + folder + "'";
  if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", folder.c_str());
}
