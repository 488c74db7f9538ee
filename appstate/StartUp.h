#pragma once

/// Replaces meshStream with a stream newly opened on settings.meshFileName. When the file
/// cannot be opened, writes "File `<name>' does not exist!" on standard error and returns
/// false; meshStream is then the failed stream.
bool openMeshStream();

/// The start-up before the window: the mesh file name, the mesh stream, then the numeric
/// options and the texture name. Returns false, with the message written and nothing else
/// read, when the mesh file cannot be opened.
bool readCommandLine(int argc, char** argv);
