#pragma once

// The codec an input must hold (IAudioFile2::SourceCodec) to be copied as it is into an output
// of the format with stored code `code`; null for a format nothing is copied into.
// TODO(formats): the format units carry this as OutputFormat::copyCodec; this table is its one
// place until they do.
const char* CopyCodecOf(int code);
