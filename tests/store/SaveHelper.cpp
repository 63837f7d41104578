// Saves generations of a known history into a folder, for the tests that run
// the store as an unprivileged user and kill it while it saves:
//   store_save_helper FOLDER READINGS loop   saves generation 1, 2, ... for
//                                            ever, one byte on standard
//                                            output after each good save
//   store_save_helper FOLDER READINGS GEN    saves generation GEN once
//   store_save_helper FOLDER 0 problem       prints what the store says of
//                                            the folder (FolderProblem)
// A save that fails ends the helper with status 1 and the reason.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "SaveGenerations.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: store_save_helper FOLDER READINGS loop|GENERATION\n";
        return 2;
    }
    const int readings = std::atoi(argv[2]);
    const std::string mode = argv[3];
    nimbrel::SettingsStore s;
    s.SetFolder(argv[1]);
    if (mode == "problem") {
        std::cout << s.FolderProblem() << std::flush;
        return 0;
    }
    s.LoadSettings();
    // Three histories made once, so that the loop does nothing but save.
    nimbrel::testing::Generations generations(readings);
    for (int g = mode == "loop" ? 1 : std::atoi(mode.c_str());; ++g) {
        generations.Set(s, g);
        s.SaveSettings();
        if (!s.LastSaveSucceeded()) {
            std::cerr << "save failed: " << s.LastSaveError() << "\n";
            return 1;
        }
        if (mode != "loop") return 0;
        const char done = 1;
        if (::write(1, &done, 1) != 1) return 0;
    }
}
