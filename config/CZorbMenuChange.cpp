#include "config/CZorbMenuChange.h"

CZorbMenuChange::CZorbMenuChange() = default;

CZorbMenuChange::CZorbMenuChange(const CZorbMenuChange& other) : CZorbConfigChange(other) {}

CZorbMenuChange::~CZorbMenuChange() = default;
