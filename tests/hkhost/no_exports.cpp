// A library that loads but is no plug-in: it exports none of the five entry points.
extern "C" int HkNotAPlugin() {
    return 0;
}
