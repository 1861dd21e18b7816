#include "support/JinjaTemplate.h"

#include <QProcess>

namespace zelvan::test {

std::optional<QString> renderValueTemplate(const QString& source, const QString& value,
                                           QString* error)
{
    // The template and the value go as arguments, never into the script.
    static const char* script =
        "import sys, jinja2\n"
        "env = jinja2.Environment(undefined=jinja2.StrictUndefined)\n"
        "sys.stdout.write(env.from_string(sys.argv[1]).render(value=sys.argv[2]))\n";
    QProcess p;
    p.start(QStringLiteral("python3"),
            {QStringLiteral("-c"), QLatin1String(script), source, value});
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(p.readAllStandardError()) + p.errorString();
        return std::nullopt;
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace zelvan::test
