// Code page 936 rules: lengths are counted in bytes, a text field keeps at most
// its size in bytes and is never cut inside a double-byte character.
#pragma once

#include <QByteArray>
#include <QString>

namespace store::cp936 {

// Whether the GBK converter is there (Qt reaches it through ICU). Without it
// nothing may run: no other code page counts the same bytes, so field limits
// and stored passwords would quietly change. The program and the tools check
// it before anything else and refuse to start; the conversions below raise
// an Error with unavailableText() rather than guess.
bool available();
// Why the program cannot start without it, in the user's words.
QString unavailableText();
// Tests: the converter is looked up under this name ("GBK"; an empty name
// restores it). A name no converter answers to stands for an installation
// without GBK.
void setConverterNameForTesting(const QByteArray &name);

QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
int byteLength(const QString &text);
// Whether every character of text has a code in code page 936.
bool canEncode(const QString &text);
// The longest prefix of text that takes at most maxBytes bytes.
QString cut(const QString &text, int maxBytes);

} // namespace store::cp936
