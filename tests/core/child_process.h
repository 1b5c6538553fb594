#pragma once
// Runs a piece of code in a forked child and collects how it ended, so that
// fatal stops and quits can be observed from the test.
#include <functional>
#include <string>

struct ChildResult {
  int exitCode = -1;  // -1 when the child did not exit normally
  std::string out;    // what it wrote to standard output
  std::string err;    // what it wrote to standard error
};

ChildResult run_in_child(const std::function<void()>& body);

// Saves an environment variable and restores it when going out of scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);  // null value: unset
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool hadOld_;
};

// A fresh folder under the system temp folder, removed with its contents.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }  // no trailing "/"
  std::string file(const char* name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
