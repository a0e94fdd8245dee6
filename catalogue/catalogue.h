#pragma once

// The animal catalogue: its scan and the three button handlers.

#include <string_view>

#include "text/text.h"

namespace animal_ids {

// Appends one line "动物ID:" + id + "----" + name + CR LF per animal of the
// document to 编辑框1 and shows their number in 编辑框4; returns it.
int ListCatalogue(const Text& doc);

// How a downloaded document stands as a catalogue. Only a document whose
// root element has been closed is complete: a body cut anywhere before the
// end of its root's closing tag, whatever the transport noticed, is not. A
// document with no root element, or whose root holds no animal element and
// is not named "animals", is no catalogue.
enum class CatalogueForm { kComplete, kCut, kNotCatalogue };
CatalogueForm CheckCatalogue(const Text& doc);

// Utf8ToAnsi of a document that holds no zero byte, in a fraction of the
// time for one that is mostly markup, as a catalogue is.
Text DocumentToAnsi(std::string_view utf8);

// 按钮4: downloads the catalogue of the version in 编辑框6 and lists it.
// False, after telling the user, when the download failed.
bool FetchAnimalIds();

// 按钮2: shows in 编辑框5 the ID of the animal named in 编辑框2; false when
// the list holds no such name (编辑框5 is then emptied).
bool LookupAnimalId();

// 按钮3: saves the text of 编辑框1 as "动物ID.txt" beside the executable and
// tells the user whether it worked.
bool SaveAnimalList();

// Replaces "http://" + the built-in host in the catalogue's URL, for
// example with "http://127.0.0.1:8080". Set once at start-up.
void SetCatalogueServer(const Text& base);

// The catalogue's URL for a version as typed; bytes a URL path may not
// carry are percent-encoded.
Text CatalogueUrl(const Text& version);

}  // namespace animal_ids
