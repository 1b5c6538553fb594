#pragma once
// A scratch executable folder with a module source folder beside it, for
// tests of the module host: <tmp>/bin/ becomes app_path, <tmp>/compiler/ is
// the source folder "../compiler/".
#include <string>

// Loads the module into a flat world of soil, so its world population has
// room, and lets the player arrive in it. Fails the test without a player.
void load_module_into_soil_world();

class GameObjTestFolder {
public:
    GameObjTestFolder();
    ~GameObjTestFolder();

    std::string binDir() const { return root_ + "/bin/"; }
    std::string sourceDir() const { return root_ + "/compiler/"; }

    // Writes text to name (relative to the source folder), creating folders.
    void writeSource(const std::string& name, const std::string& text) const;
    // Sets the file's modification time `seconds` from now.
    static void setFileTime(const std::string& path, long seconds);
    static void copyFile(const std::string& from, const std::string& to);
    static bool exists(const std::string& path);

private:
    std::string root_;
    std::string savedAppPath_;
};
