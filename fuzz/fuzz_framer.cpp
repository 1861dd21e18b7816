// Any bytes on either port, in hub or direct topology, through the framing,
// the object message decoder and the start-up exchange.
#include "FuzzSupport.h"
#include "events/MessageDecoder.h"
#include "link/ReceiveFramer.h"
#include "link/StartupExchange.h"
#include "support/EngineFixture.h"

#include <memory>

using namespace zelvan;

namespace {

struct Harness
{
    test::EngineFixture fx;
    MessageDecoder decoder{fx.context()};
    StartupExchange startup{fx.context()};
    ReceiveFramer framer{fx.state};

    Harness()
    {
        framer.setMessageHandler(
            [this](const QString& msg, int m) { decoder.HandleModuleMessage(msg, m); });
        framer.setStartupHandler(
            [this](const QString& line, int m) { startup.HandleStartupLine(line, m); });
    }

    void reset(bool hub)
    {
        // The framing state only (a whole fresh state would build 1,025-element
        // tables for every input).
        for (QByteArray& b : fx.state.RxBuffer)
            b.clear();
        for (QByteArray& b : fx.state.RxHashBuffer)
            b.clear();
        fx.state.RxHashMode.fill(0);
        fx.state.RxModule = 0;
        fx.state.RxPrevChar = 0;
        fx.state.HubMode = hub ? QStringLiteral("Y") : QStringLiteral("N");
        fx.takeWritten(1);
        fx.takeWritten(2);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::startApplication();
    // A fresh engine every 1000 inputs: what the runs pile up (the day file,
    // the violations list, which keeps a line per violation) stays small, so
    // every input costs about the same.
    static std::unique_ptr<Harness> harness;
    static int runs = 0;
    if (!harness || ++runs % 1000 == 0) {
        harness.reset();
        harness = std::make_unique<Harness>();
    }
    Harness& h = *harness;
    if (size == 0)
        return 0;
    // First byte: bit 0 topology, the rest decides how the bytes are split
    // between the two ports.
    const uint8_t control = data[0];
    h.reset((control & 1) != 0);
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype split = control >> 1 == 0 ? bytes.size() : bytes.size() * (control >> 1) / 128;
    h.framer.receivePort1(bytes.first(std::min(split, bytes.size())));
    h.framer.receivePort2(bytes.sliced(std::min(split, bytes.size())));
    return 0;
}
