#include "TypesReport.h"

#include "TypeTable.h"
#include "base/LineEscape.h"

std::string TypesReport(const CTypeTable& table)
{
    std::string text;
    for (const CTypeRow& row : table.Types()) {
        text += CategoryText(row.pType->category);
        text += '\t';
        AppendLineEscaped(text, ExtensionBytes(row.pType->extension));
        text += '\t' + std::to_string(row.nCount) + '\t' + std::to_string(row.nSize) + '\n';
    }
    return text;
}
