#include "tests/app/app_test_env.h"
#include "core/settings.h"
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

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

#ifdef EH_GAME_EXE
GameOutput run_game(const std::string& args, const std::string& exe, int flags, const std::string& video) {
  std::string home = make_test_config_home();
  if (flags >= 0) set_config_int("flags", flags);
  std::string cmd = "cd '" + home + "' && SDL_VIDEODRIVER=" + video + " ALSOFT_DRIVERS=null XDG_CONFIG_HOME='" + home +
                    "' XDG_DATA_HOME='" + home + "' '" + exe + "' " + args + " 2>&1";
  GameOutput run{"", -1};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return run;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) run.log.append(buf, n);
  int status = pclose(p);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  remove_folder(home);
  return run;
}

std::vector<std::string> logged_screenshots(const GameOutput& r) {
  std::vector<std::string> files;
  const std::string mark = "screenshot captured to '";
  for (size_t p = r.log.find(mark); p != std::string::npos; p = r.log.find(mark, p + 1)) {
    size_t start = p + mark.size();
    files.push_back(r.log.substr(start, r.log.find('\'', start) - start));
  }
  return files;
}
#endif
