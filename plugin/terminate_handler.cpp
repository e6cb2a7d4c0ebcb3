// The DLL's own std::terminate handler: abort. It replaces libstdc++'s
// verbose handler, which first writes the demangled type of the uncaught
// exception to stderr (nowhere, in the host's window process) and links the
// demangler and a printf into the DLL (about 75 KB of 345 KB). No exception
// is meant to reach it: none crosses an entry point.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
