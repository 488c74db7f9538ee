// plimmerton-mkdata: writes the bundled bodies and textures into a folder.

#include "tools/BundledData.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: plimmerton-mkdata FOLDER" << std::endl;
        return 1;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::cerr << "Cannot create folder `" << folder.string() << "': " << error.message()
                  << std::endl;
        return 1;
    }
    for (const BundledFile& file : makeBundledData()) {
        const std::filesystem::path path = folder / file.name;
        std::ofstream out(path, std::ios::binary);
        out.write(file.bytes.data(), std::streamsize(file.bytes.size()));
        out.close();
        if (out.fail()) {
            std::cerr << "Cannot write `" << path.string() << "'" << std::endl;
            return 1;
        }
        std::cout << path.string() << ": " << file.summary << ", " << file.bytes.size() << " bytes"
                  << std::endl;
    }
    return 0;
}
