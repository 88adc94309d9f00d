#include "filelist/audio_file_info.h"
