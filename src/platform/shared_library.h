#pragma once
// Libraries opened when first needed instead of at start: the command line decodes and
// lists without loading the sound server's or the web client's libraries (and the dozens
// they bring along). A library once opened stays for the life of the process.

namespace korvo {

// The library's handle, or nullptr when it cannot be opened.
void* openSharedLibrary(const char* fileName);
// The address of a function of an open library, or nullptr.
void* sharedLibrarySymbol(void* library, const char* name);

// One entry of a table of function pointers whose members are named after the functions,
// for LIST(KORVO_LOAD_FUNCTION) where `table` and `handle` (the library) are in scope: the
// enclosing function returns 0 when one is missing.
#define KORVO_LOAD_FUNCTION(name)                                                                      \
    if (!(table.name = reinterpret_cast<decltype(table.name)>(::korvo::sharedLibrarySymbol(handle, #name)))) \
        return 0;

} // namespace korvo
