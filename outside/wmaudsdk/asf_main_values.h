#pragma once

#include <taglib/asfattribute.h>
#include <taglib/tmap.h>
#include <taglib/tstring.h>

#include <string>

// The first value of each named attribute in the extended content description object of an ASF
// file's main header. TagLib merges these with the copies of the header extension's metadata
// library, which may come first; other readers take the main header's value, and so do we.
// Reads only inside the header and the file, whatever the sizes inside claim; an empty map when
// the header cannot be read.
TagLib::Map<TagLib::String, TagLib::ASF::Attribute> ReadAsfMainValues(const std::string& path);
