// Telling a whole file's encoding: devmgr keeps GB18030 (GBK) bytes, and a file an editor
// saved in UTF-8, or in UTF-16 with a byte-order mark (Excel's "Unicode text", Notepad's
// "UTF-16 LE", PowerShell's `>`), is converted when it is read. Many short GBK texts are
// valid UTF-8 too (目录 in GBK is C4 BF C2 BC, two Latin-1 letters in UTF-8), so validity
// alone is not enough: a file that could be either is weighed both ways (reading_weight.h)
// and taken in the reading whose characters are the more common. Platform-neutral: plain
// byte checks and a generated table, no converter.
#pragma once

#include <string_view>

namespace charset {

// The encodings a file is taken in: GB18030 as it is, or one that is converted to it.
enum class FileEncoding { kGb18030, kUtf8, kUtf16Le, kUtf16Be };

// The encoding's name, as iconv(3) knows it: "GB18030", "UTF-8", "UTF-16LE", "UTF-16BE".
const char* EncodingName(FileEncoding encoding);

// True when bytes are GB18030 as far as its structure goes: single bytes 00-7F, a lead
// 81-FE with a trail 40-7E or 80-FE, or the four bytes 81-FE 30-39 81-FE 30-39. A lone 80
// or FF, a lead cut by the end or a bad trail makes it false. Whether a well-formed code
// has a character assigned is not looked at. Empty text is valid.
bool IsGb18030Text(std::string_view bytes);

// The encoding a file's bytes are in:
// - UTF-16 LE or BE whenever they begin with its byte-order mark (FF FE, FE FF: never
//   GB18030 nor UTF-8), whole or not: what is no UTF-16 is replaced when converted;
// - UTF-8 whenever they begin with its byte-order mark (EF BB BF), valid or not; or when,
//   valid UTF-8, they hold a byte that is not ASCII and are no GB18030; or, being both,
//   unless gb_first, they weigh less read as UTF-8 than read as GB18030
//   (charset::Utf8Weight against charset::GbWeight; a tie is GBK);
// - GB18030, byte for byte, for any other file.
// gb_first is for devmgr's own record files, which it writes in GBK: read as GBK whenever
// they are valid GBK, so that they always read back byte for byte.
FileEncoding FileEncodingOf(std::string_view bytes, bool gb_first = false);

}  // namespace charset
