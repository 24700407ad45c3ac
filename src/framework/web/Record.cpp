// What the page reads of the session's record: the timing diagram draws from
// it, and "Скачать VCD" is made from it.
#include <emscripten.h>

#include <string>

#include "SessionRecord.h"

extern "C" {

EMSCRIPTEN_KEEPALIVE unsigned WebRecordedSteps() {
    return static_cast<unsigned>(SessionRecord.Steps());
}

// `signal` in the order of the batch runner's trace; steps count from 1.
EMSCRIPTEN_KEEPALIVE int WebRecordedValue(unsigned step, unsigned signal) {
    return SessionRecord.Value(step, signal);
}

EMSCRIPTEN_KEEPALIVE unsigned WebEndOfDataStep() {
    return static_cast<unsigned>(SessionRecord.EndOfDataStep());
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
