#pragma once

// The four secondary windows: they live for the whole run and are shown on demand.
#include "app/about_box.h"
#include "settings/folder_chooser.h"   // Tfm_dir
#include "settings/settings_dialog.h"  // Tfm_set
#include "tags/tag_editor_dialog.h"    // Tfm_id3
