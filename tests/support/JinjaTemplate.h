#pragma once

#include <QString>
#include <optional>

namespace zelvan::test {

// Renders a Home Assistant value template with Jinja itself (python3-jinja2),
// `value` bound to the payload as Home Assistant binds it; nothing when
// Jinja cannot render it (why in `error`).
std::optional<QString> renderValueTemplate(const QString& source, const QString& value,
                                           QString* error = nullptr);

} // namespace zelvan::test
