#pragma once

#include "BatchOptions.h"
#include "BatchRun.h"

// Runs the steps on a board over the serial port `options.Board`: the pairs of
// the input go to it as the program reads them, and its replies are written to
// the output as the program writes its values.
TBatchResult RunOnBoard(const TBatchOptions& options);
