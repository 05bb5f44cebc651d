// LoadListOf: a list read as an algorithm given, or in the format its lines
// tell. Only the program reads lists whose names say nothing ("CHECKSUMS"),
// so this is a source of its own, and the plug-in links none of it.
#include "checker_internal.h"

using namespace CheckerDetail;

bool TFileChecker::LoadListOf(uint32_t ListAlgorithm, const std::string& ListName,
                              std::string* Reason) {
    TAlgoDefinition row;
    if (ListAlgorithm == haNone || FindAlgoById(ListAlgorithm, row))
        return LoadListInto(*this, ListName, ListAlgorithm, false, Reason);
    if (Reason != nullptr)
        *Reason = "no hash algorithm is chosen";
    return false;
}
