#pragma once

#include <string>

class MpSystem;

/// Replaces meshStream with a stream newly opened on settings.meshFileName. When the file
/// cannot be opened, writes "File `<name>' does not exist!" on standard error and returns
/// false; meshStream is then the failed stream.
bool openMeshStream();

/// The model named as a plain argument (`plimmerton cow.obj`): the first argument after the
/// program's name that does not begin with "-" and does not follow one that does (which makes
/// it that option's value); empty text when there is none.
const char* modelArgument(int argc, char** argv);

/// The start-up before the window: the body's file name (-i, else the model named as a plain
/// argument), the mesh stream, then the numeric options, the texture name and the points of
/// -pin. Returns false, with the message written, when the file cannot be opened (nothing else
/// read then; when no file was named at all, a second line says how to name one) or -pin gives
/// no list of points ("-pin: 'x' is not a point index").
bool readCommandLine(int argc, char** argv);

/// Whether the file settings.meshFileName names is a model to be prepared into a body before
/// it is read, rather than read by the mesh reader as it is. A plain argument is told apart as
/// the window tells the files opened in it: every file that is no body file (TOFF, or OFF
/// braced with struts) is prepared. After -i, the reader keeps every OFF and TOFF file, and
/// only a file of another form that plimmerton-prepare reads (by its name's extension or its
/// first word) is prepared. A pipe or a device is read as it is, since it cannot be read twice.
bool startsWithModel(int argc, char** argv);

/// What a body read from the command line's file could not take of -pressure and -pin, one
/// line each for the user; empty when it took all.
struct BodyOptionProblems {
    /// The pressure refused (MpSystem::pressureRefusal), after the name of the body's file.
    std::string pressure;
    /// The first point of -pin beyond the body.
    std::string pins;
};

/// Gives `body` the pressure of -pressure when it was given (else it keeps its file's) and pins
/// the points of -pin that it has. The refusal of a pressure names the body's file `name`
/// (settings.meshFileName when empty; the model it was prepared from is what the user named).
BodyOptionProblems applyBodyOptions(MpSystem& body, const std::string& name = "");
