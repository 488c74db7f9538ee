#pragma once

#include <string>

class SoTexture2;

/// Reads the image file `fileName` (see decodeImage for the kinds taken) and puts its picture
/// into the `image` field of `node`; no other field changes. The node's `filename` is left
/// alone, so the scene-graph library's own loader never reads a file of ours.
///
/// When the file is missing, unreadable, too large, of a kind not taken or damaged, the node
/// is left without a picture (its shapes are drawn untextured), `problem` is set to one line
/// naming the file and what is wrong, and false is returned. Nothing is printed: a caller
/// that knows several places for a file tries them in turn and reports the last problem.
bool loadTexture(SoTexture2& node, const char* fileName, std::string& problem);
