// Any text typed into the keypad window's entry line: the entry parser, and the
// keypad's reaction (page switch, button press, take or release command) on a
// grid whose installed objects and states come from the input too.
#include "FuzzSupport.h"
#include "panel/MainPanelModel.h"
#include "support/EngineFixture.h"
#include "windows/KeypadModel.h"

using namespace zelvan;
using fuzz::check;

namespace {

struct Rig
{
    test::EngineFixture f;
    MainPanelModel panel{f.state, f.files, f.grid, f.commands, f.archive, f.clock};
    KeypadModel keypad{f.state, panel};
};

// A parsed entry always names a real object, page and button.
void checkEntry(const std::optional<KeypadEntry>& e)
{
    if (!e)
        return;
    check(e->sign == u'+' || e->sign == u'-');
    check(e->module >= 1 && e->module <= kModuleCount);
    check(e->object >= 1 && e->object <= kObjectsPerModule);
    check(e->page() >= 0 && e->page() < 16);
    check(e->button() >= 0 && e->button() < 64);
    check(e->k() >= 1 && e->k() <= kObjectCount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::startApplication();
    static Rig rig;
    if (size < 2)
        return 0;
    // First two bytes: which objects of the module the entries name are
    // installed, and their states.
    const uint8_t installed = data[0];
    const uint8_t states = data[1];
    for (int k = 1; k <= kObjectCount; ++k) {
        rig.f.state.ObjInstalled[size_t(k)] = (installed >> (k % 8)) & 1 ? -1 : 0;
        rig.f.state.ObjState[size_t(k)] = qint16((states >> (2 * (k % 4))) & 3);
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    for (const QByteArray& line : bytes.split('\n')) {
        const QString utf8 = QString::fromUtf8(line);
        checkEntry(parseKeypadEntry(utf8));
        checkEntry(parseKeypadEntry(QString::fromLatin1(line)));
        rig.keypad.enter(utf8);
        check(rig.keypad.log().size() <= KeypadModel::kLogKeep + 2 * (utf8.size() + 64));
    }
    rig.f.takeWritten(1);
    rig.f.takeWritten(2);
    return 0;
}
