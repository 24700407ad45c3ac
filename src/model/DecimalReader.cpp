#include "DecimalReader.h"

#include "ScanAhead.h"

TDecimalReader::TDecimalReader(std::FILE* stream, TScanning scanning)
    : Scanner_(stream) {
    if (scanning == TScanning::OnItsOwnThread) Ahead_ = std::make_unique<TScanAhead>(Scanner_);
}

TDecimalReader::~TDecimalReader() = default;

// Every value of a batch has been read: a read that failed at its end is
// reported, once or from now on, and otherwise the next batch is taken.
TDecimalReader::TReadResult TDecimalReader::ReadFromNextBatch() {
    switch (BatchEnd_) {
        case TScanEnd::FailsForGood:
            return {false, 0};
        case TScanEnd::FailsOnce:
            BatchEnd_ = TScanEnd::Full;
            return {false, 0};
        case TScanEnd::Full:
            break;
    }
    if (Ahead_) {
        if (Values_) Ahead_->GiveBack();  // the batch just read
        const TScannedBatch& batch = Ahead_->Take();
        Values_ = batch.Values.data();
        Count_ = batch.Count;
        BatchEnd_ = batch.End;
    } else {
        BatchEnd_ = Scanner_.Scan(Batch_.data(), TNumberScanner::ChunkSize, Count_);
        Values_ = Batch_.data();
    }
    Taken_ = 0;
    if (Count_ == 0) return ReadFromNextBatch();
    return {true, Values_[Taken_++]};
}
