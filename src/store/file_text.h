// A file's bytes made the program's text, as the import and the record file loader read
// them: GB18030 is kept as it is, a file in another encoding (charset::FileEncodingOf) is
// converted to GB18030 before its tokens are cut. One rule for every file devmgr reads,
// which the session's --input-encoding may override.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "locale/file_charset.h"
#include "files/file_bytes.h"

// Which reading a file that is valid both as UTF-8 and as GBK gets.
enum class FileRule {
  kWeighed,      // the likelier reading (charset::FileEncodingOf)
  kRecordShape,  // the same, but a record file by its shape (load_records.h) is read as
                 // GBK whenever it is valid GBK: devmgr writes them in GBK
};

// What DecodeFileText found and did.
struct DecodedText {
  charset::FileEncoding encoding = charset::FileEncoding::kGb18030;
  std::size_t replaced = 0;  // characters that could not be read, each now U+FFFD
  bool odd_end = false;      // a UTF-16 file's odd last byte, a blank or line end as
                             // `echo >>` leaves it, taken as that character
  bool forced = false;       // the encoding was the session's (SetInputEncoding)
};

// Makes every later DecodeFileText read its files in encoding, whatever their bytes look
// like (kUtf16Le: a file with the big-endian mark is read big-endian); nullopt restores
// the rule.
void SetInputEncoding(std::optional<charset::FileEncoding> encoding);

// Finds the encoding of file (by rule, unless SetInputEncoding chose one) and, unless it
// is GB18030, replaces the bytes by their GB18030 form, the byte-order mark dropped, in a
// new buffer that keeps room bytes free after the content; the old buffer is freed. What
// is no text in that encoding (a bad UTF-8 sequence, a surrogate without its pair, a byte
// cut off) becomes U+FFFD, in its GB18030 form. A character that GB18030 has no form for
// (a few private-use ones; on Windows without code page 54936, all that GBK lacks, U+FFFD
// among them) keeps its UTF-8 form, as typed text does. std::bad_alloc when memory runs
// out. REQUIRES: room bytes are free after a GB18030 file's content.
DecodedText DecodeFileText(FileBytes& file, std::size_t room, FileRule rule = FileRule::kWeighed);

// The lines on standard error for a file that DecodeFileText converted, naming the file
// (name, printable), the encoding it was in and what could not be read; none for a file
// taken as it is.
std::vector<std::string> DecodedNote(std::string_view name, const DecodedText& decoded);
