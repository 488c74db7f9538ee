#pragma once

#include <iosfwd>

/// What a file holds as far as the body's reader is concerned.
enum class MeshKind {
    /// A body file: "TOFF", or "OFF" with struts (faces of two points) that brace its surface,
    /// as every prepared and bundled body has, or with a pressure record ("# pressure P" in its
    /// header, OffLexer.h) that holds it up from inside.
    body,
    /// An "OFF" surface without struts: read as it is, it would fold under its own weight.
    surface,
    /// Anything else: another form of model, a variant of OFF the reader does not take (COFF,
    /// NOFF), a file cut short, not a model at all.
    other,
};

/// Tells a file's kind from its records without building anything, in one pass over it: the
/// keyword, then for "OFF" the header's records and the first number of each face record until
/// a face of two points.
/// Vertex records are skipped whole, however many values they carry; a count that the file
/// does not hold ends the pass as MeshKind::other.
MeshKind meshKindOf(std::istream& in);
