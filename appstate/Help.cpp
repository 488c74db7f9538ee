#include "appstate/Help.h"

#include "common/DataFiles.h"

#include <iostream>
#include <string>
#include <vector>

void printHelp() {
    std::cout << std::endl;
    std::cout << std::endl;
    std::cout << "General control" << std::endl;
    std::cout << "===============" << std::endl;
    std::cout << "P\tstart / stop animation" << std::endl;
    std::cout << "SPACE\tshoot ball" << std::endl;
    std::cout << "T\tremove a ball" << std::endl;
    std::cout << "N\tnew mass-point system" << std::endl;
    std::cout << "H\tthis help page" << std::endl;
    std::cout << "Q\tquit" << std::endl;
    std::cout << std::endl;
    std::cout << "Switches" << std::endl;
    std::cout << "========" << std::endl;
    std::cout << "1\tstiffness (low / medium / high)" << std::endl;
    std::cout << "2\ttimestep (small / medium / big)" << std::endl;
    std::cout << "3\tdamping (low / medium / high)" << std::endl;
    std::cout << "4\theadlight (on/off)" << std::endl;
    std::cout << "5\tshaded / wireframe / overlay" << std::endl;
    std::cout << "6\tglobal cam / headcam" << std::endl;
    std::cout << std::endl;
    std::cout << "MpSystem-\tCannon-\tGlobalCam- control" << std::endl;
    std::cout << "==========================================" << std::endl;
    std::cout << "LEFT_ARROW\tA\tJ\tleft" << std::endl;
    std::cout << "RIGHT_ARROW\tD\tL\tright" << std::endl;
    std::cout << "UP_ARROW\tW\tI\tforward/up/up" << std::endl;
    std::cout << "DOWN_ARROW\tS\tK\tbackward/down/down" << std::endl;
    std::cout << std::endl;
}

void printUsage() {
    std::cout << "Usage: plimmerton [-i] MODEL [-d DAMPING] [-m MASS] [-s STIFFNESS] [-t TIMESTEP]"
                 " [-tex IMAGE] [-add MODEL [-at X,Y,Z]]... [-keys SCRIPT] [-arena SEED]"
                 " [-pressure P] [-pin I,J,...]"
              << std::endl;
    std::cout << "       plimmerton SCENE.toml [OPTIONS]" << std::endl;
    std::cout << std::endl;
    std::cout << "  SCENE.toml    a scene file (docs/scene-format.md): its bodies, materials,"
                 " time step, arena,\n"
                 "                camera, balls in flight and, with its NAME.state, the exact"
                 " state of every point;\n"
                 "                -d, -m and -s given set every body's material, -tex, -pressure"
                 " and -pin the\n"
                 "                first body's, -t, -arena and -keys the scene's. Ctrl+S saves"
                 " one, Ctrl+O opens one"
              << std::endl;
    std::cout << "  -i MODEL      body to simulate (required; -i may be left out): a body file,"
                 " TOFF or OFF,\n"
                 "                is read as it is; a model of another form (OBJ, PLY, STL,"
                 " glTF, ...; without\n"
                 "                -i also an OFF surface without struts) is prepared into a body"
                 " by\n"
                 "                plimmerton-prepare first, as Ctrl+O does, and kept in the"
                 " cache for the next time"
              << std::endl;
    std::cout << "  -d DAMPING    velocity damping of the mass points (default 0)" << std::endl;
    std::cout << "  -m MASS       mass of each mass point; points below y = 0 weigh 1.5 times"
                 " as much (default 0)"
              << std::endl;
    std::cout << "  -s STIFFNESS  spring constant of the springs (default 0)" << std::endl;
    std::cout << "  -t TIMESTEP   length of one physics step in seconds; a step runs every"
                 " TIMESTEP / 3 seconds (default 0: nothing moves)"
              << std::endl;
    std::cout << "  -tex IMAGE    texture image for the body's surface (default none)" << std::endl;
    std::cout << "  -add MODEL    another body in the scene, of the same damping, mass, stiffness"
                 " and texture\n"
                 "                (a model of its own picture wears it); repeat it for more"
                 " bodies. A file that\n"
                 "                cannot be used is said on standard error and left out"
              << std::endl;
    std::cout << "  -at X,Y,Z     after -add MODEL: put that body's centre (the mean of its"
                 " points) at X,Y,Z;\n"
                 "                without it the body goes clear above the bodies before it"
              << std::endl;
    std::cout << "  -keys SCRIPT  press keys at given ticks, TICK:KEY,... (\"0:p,0:v,750:v,751:q\""
                 " records 3 s of video and quits)"
              << std::endl;
    std::cout << "  -arena SEED   lay out the pillars and clouds from SEED, as plimmerton-sim does"
              << std::endl;
    std::cout << "  -pressure P   pressure of a gas inside the body's closed surface (default:"
                 " what the mesh file asks for, else 0)"
              << std::endl;
    std::cout << "  -pin I,J,...  pin these points of the body (indices from 0) where they start"
              << std::endl;
    std::cout << "  --version     print the program's name and version" << std::endl;
    std::cout << std::endl;
    std::cout << "Example:" << std::endl;
    std::cout << "  plimmerton -i data/ball.toff -d 0.04 -m 0.3 -s 85 -t 0.012"
                 " -tex data/body.tga"
              << std::endl;
    std::cout << "  plimmerton cow.obj -d 0.04 -m 0.3 -s 85 -t 0.012" << std::endl;
    std::cout << "  plimmerton data/two-balls.toml" << std::endl;
    std::cout << "  plimmerton data/ball.toff -add data/ball.toff -add data/box.off -at 0,20,0"
                 " -m 0.3 -s 85 -d 0.04 -t 0.012"
              << std::endl;
    std::cout << "The pillars' texture, col.tga, is read from the working directory when it"
                 " holds one, else from";
    const std::vector<std::string> folders = dataFolders();
    for (size_t k = 0; k < folders.size(); ++k) {
        std::cout << (k == 0 ? " " : " or ") << folders[k];
    }
    std::cout << "." << std::endl;
    std::cout << std::endl;
    std::cout << "In the window, press P to start the animation and H for the keys;"
                 " the key table is printed at start. V records a video at the target pace;"
                 " plimmerton-sim --video records one without a window."
              << std::endl;
}
