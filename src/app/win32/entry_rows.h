#pragma once
// Playlist rows in list boxes that store no strings (owner-drawn, no data): each visible row
// is drawn from the playlist when it shows, so 100,000 entries cost nothing per row. The
// list still answers LB_GETTEXT and LB_GETTEXTLEN, from the playlist.
#include <windows.h>

#include <string>
#include <vector>

#include "playlist/playlist_entry.h"

namespace korvo::win {

// The name a row shows for an entry; rows whose entry changes need only a redraw.
std::string shownName(const PlaylistEntry& entry);

// Which entries a list's rows show: every entry, or those whose shown name contains a text.
class EntryRows {
public:
    // Keeps the entries whose shown name holds text, whatever its case, in any script; an
    // empty text keeps them all. Called again after the playlist changed.
    void find(const std::wstring& text);
    bool filtered() const { return filtered_; }
    int count() const;
    int position(int row) const;   // the entry's playlist position, -1 past the end
    int rowOf(int position) const;  // -1 when the entry is not shown
    // Rows (ascending) to positions (ascending), past-the-end rows left out.
    std::vector<int> positions(const std::vector<int>& rows) const;

private:
    bool filtered_ = false;
    std::vector<int> positions_;   // while filtered
};

// Lets list (owner-drawn fixed, no data) show rows, which must outlive it.
void attachEntryRows(HWND list, const EntryRows* rows);
// Empties the list and gives it rows' count of rows.
void resetEntryRows(HWND list, const EntryRows& rows);
// The dialog's WM_MEASUREITEM and WM_DRAWITEM for such a list.
void measureEntryRow(HWND dlg, MEASUREITEMSTRUCT& item);
void drawEntryRow(const DRAWITEMSTRUCT& item, const EntryRows& rows);

// The text of a dialog's control, as UTF-16.
std::wstring controlTextW(HWND dlg, int id);

} // namespace korvo::win
