#include "tools/CodepageCheck.h"

#include "db/Codepage.h"

namespace tools {

int refuseWithoutCodepage(const char *tool, std::FILE *to)
{
    if (store::cp936::available())
        return 0;
    std::fprintf(to, "%s: %s\n", tool, store::cp936::unavailableText().toUtf8().constData());
    return 2;
}

} // namespace tools
