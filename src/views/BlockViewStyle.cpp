#include "BlockViewStyle.h"

#include "VolraPrefs.h"

CBlockViewStyle CBlockViewStyle::FromPrefs()
{
    const CVolraPrefs& prefs = AfxGetPrefs();
    return {prefs.m_nBorder, prefs.m_fontLarge, prefs.m_fontLargeVertical};
}
