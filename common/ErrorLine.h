#pragma once

#include <iosfwd>

// Standard error carries the mesh reader's progress, whose last line ("Start rendering
// scene...") ends without a newline, as it always has; a message written after it must still
// start on a line of its own. Whatever leaves the line open says so, and every message that
// may follow it is written through freshErrorLine(). Standard error is one for the whole
// process, and so is what is known about its last line.

/// Records whether what was last written on standard error ends in the middle of a line.
void setErrorLineOpen(bool open);

/// Standard error, after ending the line left open, if one was.
std::ostream& freshErrorLine();
