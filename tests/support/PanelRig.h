#pragma once

#include "core/Addressing.h"
#include "panel/MainPanelModel.h"
#include "support/EngineFixture.h"

#include <QFile>

namespace zelvan::test {

// The engine with the main panel's model on top, and every object installed.
struct PanelRig
{
    PanelRig()
    {
        fixture.state.ObjInstalled.fill(-1);
        fixture.state.ObjInstalled[0] = 0;
    }

    // Record k of Color.dat as stored on disk.
    qint32 colorRecord(int k) const
    {
        QFile file(fixture.files.colorPath());
        if (!file.open(QIODevice::ReadOnly) || !file.seek(4 * (k - 1)))
            return -1;
        const QByteArray b = file.read(4);
        if (b.size() != 4)
            return -1;
        return qint32(quint32(quint8(b[0])) | quint32(quint8(b[1])) << 8
                      | quint32(quint8(b[2])) << 16 | quint32(quint8(b[3])) << 24);
    }

    EngineFixture fixture;
    MainPanelModel panel{fixture.state,    fixture.files,   fixture.grid,
                         fixture.commands, fixture.archive, fixture.clock};
};

} // namespace zelvan::test
