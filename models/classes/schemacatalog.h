#pragma once

#include "devicestate/layoutnode.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The schema texts and default images of the device family, compiled in as resources under
// ":/productdata/":
//   <name>.packed.layout   a schema used as written
//   <name>.aligned.layout  a schema that goes through the alignment pass
//   <name>.hex             a default image as hexadecimal text (whitespace and line breaks ignored)
// Each schema is parsed once, on first use, and kept for the run; the look-ups are thread-safe.

// Every schema name, sorted.
[[nodiscard]] QStringList builtinSchemaNames();
// The parsed root of a schema, or nullptr for an unknown name. A compiled-in text that does
// not parse is a build defect: it aborts with the parser's message.
[[nodiscard]] const LayoutNode *builtinSchema(const QString &name);
// The text of a schema as compiled in; empty for an unknown name.
[[nodiscard]] QString builtinSchemaText(const QString &name);
// The bytes of a default image, or empty for an unknown name.
[[nodiscard]] QByteArray builtinDefaultImage(const QString &name);
