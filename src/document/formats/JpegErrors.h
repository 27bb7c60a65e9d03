#pragma once

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>

namespace korvane::jpeg {

// libjpeg reports a fatal error through error_exit, which must not return
// into the library. It jumps back to the setjmp of the call that was running,
// which throws from there, so no C++ exception ever crosses libjpeg's C
// frames. longjmp skips destructors: the functions that call setjmp keep only
// trivially destructible locals, and what needs cleaning up lives in an
// object of their caller.
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] inline void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

// The core prints nothing.
inline void outputMessage(j_common_ptr) {}

// Sets up `manager` with the handlers above.
inline jpeg_error_mgr *installErrorManager(ErrorManager &manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = errorExit;
    manager.pub.output_message = outputMessage;
    return &manager.pub;
}

} // namespace korvane::jpeg
