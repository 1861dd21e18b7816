// Any bytes as the records of Name.dat, Color.dat and Kavel.dat, in memory:
// the loading at start and one object's records, as the files' readers get them.
#include "FuzzSupport.h"
#include "core/ObjectFiles.h"
#include "core/RecordFile.h"

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::startApplication();
    static StationState state;
    if (size == 0)
        return 0;
    // The first byte chooses the reader: a whole file loaded at start costs
    // the same at any input size, one object's records cost their own size.
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 4) {
    case 0:
        ObjectFiles::colorsFromRecords(bytes, state);
        break;
    case 1:
        ObjectFiles::boardsFromRecords(bytes, state);
        break;
    case 2:
        ObjectFiles::boardFromRecords(bytes);
        break;
    default:
        // Every name record the input holds, and a short last one.
        for (qsizetype at = 0; at < bytes.size(); at += ObjectFiles::kNameRecord)
            record::decodeText(
                bytes.sliced(at, qMin<qsizetype>(ObjectFiles::kNameRecord, bytes.size() - at)));
        break;
    }
    return 0;
}
