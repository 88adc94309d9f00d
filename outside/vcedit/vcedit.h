#pragma once

// The Ogg Vorbis comment editor module (libvcedit): opens an Ogg Vorbis stream through the
// caller's read function, hands out its comment structure, and writes the stream back with the
// edited comments. Loaded by name at run time, so everything here is plain C.

#include <stddef.h>
#include <vorbis/codec.h>

#ifdef __cplusplus
extern "C" {
#endif

// Standard C stream shape: return the number of whole elements transferred (0 on error).
typedef size_t (*vcedit_read_func)(void* buffer, size_t size, size_t count, void* source);
typedef size_t (*vcedit_write_func)(const void* buffer, size_t size, size_t count, void* target);

struct vcedit_private;

typedef struct vcedit_state {
    // The stream's comments after vcedit_open_callbacks; edit them with libvorbis's
    // vorbis_comment_clear and vorbis_comment_add before vcedit_write.
    vorbis_comment* vc;
    // The last error as text, or null. Owned by the module.
    const char* lasterror;
    struct vcedit_private* priv;
} vcedit_state;

vcedit_state* vcedit_new_state(void);
// 0 when the stream is open and its three header packets read; otherwise lasterror says why.
int vcedit_open_callbacks(vcedit_state* state, void* in, vcedit_read_func read_func,
                          vcedit_write_func write_func);
vorbis_comment* vcedit_comments(vcedit_state* state);
// Writes the whole stream to out with the state's comments: 0 on success, else lasterror says why.
// Every audio packet is copied byte for byte.
int vcedit_write(vcedit_state* state, void* out);
// Releases the state and everything it holds.
void vcedit_clear(vcedit_state* state);

typedef vcedit_state* (*vcedit_new_state_fn)(void);
typedef int (*vcedit_open_callbacks_fn)(vcedit_state*, void*, vcedit_read_func, vcedit_write_func);
typedef vorbis_comment* (*vcedit_comments_fn)(vcedit_state*);
typedef int (*vcedit_write_fn)(vcedit_state*, void*);
typedef void (*vcedit_clear_fn)(vcedit_state*);

#ifdef __cplusplus
}
#endif
