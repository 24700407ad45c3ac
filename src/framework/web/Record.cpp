// What the page reads of the session's record: how long it is, what it takes,
// and the dump "Скачать VCD" gives.
#include <emscripten.h>

#include <string>

#include "SessionRecord.h"

extern "C" {

EMSCRIPTEN_KEEPALIVE unsigned WebRecordedSteps() {
    return static_cast<unsigned>(SessionRecord.Steps());
}

EMSCRIPTEN_KEEPALIVE double WebRecordBytes() {
    return static_cast<double>(SessionRecord.KeptBytes());
}

// The session so far as a value change dump, valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* WebSessionDump() {
    static std::string dump;
    dump = SessionRecord.Dump("preprocessor-sim");
    return dump.c_str();
}
}
