#pragma once

#include <QByteArray>
#include <QString>

// Text as the ledger stores and prints it: GBK bytes. GB18030 is used for the
// conversion because it yields the same bytes as GBK for every GBK character
// and still encodes anything else the user may type, so nothing is lost.
namespace Gbk {
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// Bytes the text takes in GBK: 1 for ASCII, 2 for a Chinese character.
int byteLength(const QString &text);
} // namespace Gbk

// Standard alphabet, "=" padding, CR LF after every 76 output characters.
QByteArray Base64Encode(const QByteArray &bytes);
// Skips every character outside the alphabet and "=", so stored line breaks
// are ignored.
QByteArray Base64Decode(const QByteArray &text);

// The field encoding of every text column: Base64 of the GBK bytes.
QByteArray EncodeField(const QString &text);
QString DecodeField(const QByteArray &stored);

// Removes characters at or below the space (blanks, tabs, line breaks and
// other control characters) from both ends.
QString TrimBlanks(const QString &text);
inline bool IsBlank(const QString &text) { return TrimBlanks(text).isEmpty(); }
