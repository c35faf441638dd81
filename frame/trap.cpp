#include "frame/trap.h"

#include <exception>
#include <string>

#include "frame/data_access.h"

namespace qor {

void NoteTrapped(std::string_view where) {
    std::string what = "unknown error";
    try {
        if (auto current = std::current_exception()) std::rethrow_exception(current);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    DataGateway::Instance().RecordTrapped(std::string(where), what);
}

}  // namespace qor
