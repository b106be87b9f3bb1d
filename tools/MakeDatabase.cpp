// make_database FOLDER: writes the tracker's seven empty tables (with their ".dbt" memo
// files) into FOLDER. Tables that are already there are kept as they are.
#include "app/tables/EmptyDatabase.h"
#include "platform/rtl/Exceptions.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make_database FOLDER\n");
        return 2;
    }
    try {
        const TEmptyDatabaseResult result = MakeEmptyDatabase(argv[1]);
        for (const std::string& name : result.Created)
            std::printf("created %s\n", name.c_str());
        for (const std::string& name : result.Kept)
            std::printf("kept %s (already there)\n", name.c_str());
        return 0;
    } catch (const Exception& error) {
        std::fprintf(stderr, "make_database: %s\n", error.DisplayText().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_database: %s\n", error.what());
    }
    return 1;
}
