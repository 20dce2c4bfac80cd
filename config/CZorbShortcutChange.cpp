#include "config/CZorbShortcutChange.h"

CZorbShortcutChange::CZorbShortcutChange() = default;

CZorbShortcutChange::CZorbShortcutChange(const CZorbShortcutChange& other)
    : CZorbConfigChange(other) {}

CZorbShortcutChange::~CZorbShortcutChange() = default;
