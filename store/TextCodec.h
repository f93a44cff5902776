#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Text as the ledger stores and prints it: GBK bytes. GB18030 is used for the
// conversion because it yields the same bytes as GBK for every GBK character
// and still encodes anything else the user may type. The few characters the
// system's table cannot carry exactly (24 private-use code points, and lone
// surrogate halves) are refused rather than turned into "?": a changed
// character in a user name or a key would make rows unreachable.
namespace Gbk {
// Throws KavloError naming the first character that cannot be stored.
QByteArray encode(const QString &text);
// Exact inverse of encode; bytes that are not GB18030 become "?".
QString decode(const QByteArray &bytes);
// The first character of the text that encode refuses, if any.
std::optional<char32_t> firstUnstorable(const QString &text);
// Bytes the text takes in GBK: 1 for ASCII, 2 for a Chinese character; a
// character that cannot be stored counts as 4 (it never throws: edits call
// it on every key press).
int byteLength(const QString &text);
} // namespace Gbk

// "U+E81E": how messages name a character.
QString CharacterCode(char32_t codePoint);
// The warning for a text field holding a character that cannot be stored,
// for example "用户名中的字符 U+E81E 不能保存，请删去它。".
QString UnstorableCharacterMessage(const QString &fieldName, char32_t codePoint);

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
