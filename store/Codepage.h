// Code page 936 rules: lengths are counted in bytes, a text field keeps at most
// its size in bytes and is never cut inside a double-byte character.
#pragma once

#include <QByteArray>
#include <QString>

namespace store::cp936 {

QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
int byteLength(const QString &text);
// Whether every character of text has a code in code page 936.
bool canEncode(const QString &text);
// The longest prefix of text that takes at most maxBytes bytes.
QString cut(const QString &text, int maxBytes);

} // namespace store::cp936
