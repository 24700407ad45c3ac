// Baseline: the runner's steps over the C library's formatted I/O, fscanf("%d")
// for each number and fprintf("%d ") for each value.
// Usage: fscanf_loop INPUT OUTPUT STEPS
#include "BaselineLoop.h"

int main(int argc, char** argv) {
    TBaselineFiles files;
    if (!files.Open(argc, argv, "r", "w+")) return 2;
    RunSteps(
        files.Steps, [&](int& number) { return std::fscanf(files.In, "%d", &number) == 1; },
        [&](int value) { std::fprintf(files.Out, "%d ", value); });
    return files.Close();
}
