#pragma once

// The click callback a cell can carry besides being a cell; the check box implements it as
// its toggle.
class CCellObj
{
public:
    virtual ~CCellObj() = default;
    virtual void OnCellClick() = 0;
};
