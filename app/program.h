#pragma once

#include <memory>

#include "app/main_window.h"

class Tfm_about;
class Tfm_dir;
class Tfm_id3;
class Tfm_set;

// The program as main() puts it together: the main window on the real components, then the four
// secondary windows in their order, children of the main window and alive as long as it.
struct Program {
    std::unique_ptr<Tfm_main> fm_main;
    Tfm_about* fm_about = nullptr;
    Tfm_dir* fm_dir = nullptr;
    Tfm_set* fm_set = nullptr;
    Tfm_id3* fm_id3 = nullptr;
};

// The application's name, version and icon (for the task bar and the desktop).
void SetApplicationIdentity();
Program CreateProgram();
