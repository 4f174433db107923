// The load yardstick: a DOM load of a data packet with pugixml's default options,
// counting the attributes of its ROW elements, so that the whole file is parsed and
// every value is reached. Prints the count; exits 1 when the file cannot be parsed.
#include <pugixml.hpp>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(argv[1]);
    if (!result) {
        std::fprintf(stderr, "%s: %s at byte %lld\n", argv[1], result.description(),
                     static_cast<long long>(result.offset));
        return 1;
    }
    unsigned long long attributes = 0;
    for (pugi::xml_node row : doc.child("DATAPACKET").child("ROWDATA").children("ROW")) {
        for (pugi::xml_attribute a = row.first_attribute(); a; a = a.next_attribute())
            ++attributes;
    }
    std::printf("%llu\n", attributes);
    return 0;
}
