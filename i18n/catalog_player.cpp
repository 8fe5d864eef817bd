#include "i18n/lang_table.h"

const LangInfo* CatalogLangTable() { return PlayerLangTable(); }
