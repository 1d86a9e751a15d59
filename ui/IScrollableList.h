#pragma once

// What the skinned vertical scrollbar (CKipFileListVerticleScrollbar) needs from the list it
// drives. The file list implements it and hands itself to the bar with
// CKipFileListVerticleScrollbar::SetList(); the bar never owns the list.
//
// Units follow a report-view list: scroll positions count rows, scrolling is asked for in
// pixels (the list turns pixels into whole rows as it sees fit).
class IScrollableList
{
public:
    virtual ~IScrollableList() = default;

    // Index of the first visible row (the vertical scroll position).
    virtual int GetVerticalScrollPos() const = 0;
    // Largest scroll position (row count minus rows per page, at least 0); 0 when all rows fit.
    virtual int GetVerticalScrollLimit() const = 0;
    // Number of rows in the list.
    virtual int GetItemCount() const = 0;
    // Rows that fit in the visible area (whole rows).
    virtual int GetCountPerPage() const = 0;
    // Scrolls the list content by dyPixels (positive: towards the end), like LVM_SCROLL with
    // dx 0. The list repaints itself; the bar calls UpdateThumb() afterwards.
    virtual void ScrollVertical(int dyPixels) = 0;
};
