// A file's bytes made the program's text, as the import and the record file loader read
// them: GB18030 is kept as it is, a file in another encoding (charset::FileEncodingOf) is
// converted to GB18030 before its tokens are cut. One rule for every file devmgr reads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "locale/file_charset.h"
#include "files/file_bytes.h"

// Finds the encoding of file and, unless it is GB18030, replaces the bytes by their
// GB18030 form, the byte-order mark dropped, in a new buffer that keeps room bytes free
// after the content; the old buffer is freed. A character that GB18030 has no form for
// (a few private-use ones; on Windows without code page 54936, all that GBK lacks) keeps
// its UTF-8 form, as typed text does. Returns the encoding found; std::bad_alloc when
// memory runs out. REQUIRES: room bytes are free after a GB18030 file's content.
charset::FileEncoding DecodeFileText(FileBytes& file, std::size_t room);

// The note on standard error for a file that DecodeFileText converted, naming the file
// (name, printable) and the encoding it was in; empty for a file taken as it is.
std::string DecodedNote(std::string_view name, charset::FileEncoding encoding);
