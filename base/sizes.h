// The character areas the installer formats its names and texts into.
// Every size counts the terminating NUL.
#ifndef BASE_SIZES_H
#define BASE_SIZES_H

enum {
    kPathSize = 260,     // a path, as the platform's limit has it
    kTextSize = 512,     // a message's text
    kCaptionSize = 256,  // a caption, and the texts set on a dialog
    kNumberSize = 36,    // a number formatted for display
};

#endif
