#pragma once
// The state that survives a restart: two settings, a stored debug option, the
// last forecast, the last reading and the reading history, all in one text
// file, settings.txt, in the program's folder. The main window owns one store
// for the program's lifetime; the feed parsers and the history chart read and
// write its fields directly, as the main window's own fields.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "base/Defaults.h"
#include "store/HistoryList.h"

namespace nimbrel {

// Each history list holds at most this many entries.
constexpr int32_t kHistoryCap = 110000;

class SettingsStore {
public:
    SettingsStore();
    // Each waits for a save still being finished in the background.
    ~SettingsStore();
    SettingsStore(SettingsStore&&) noexcept;
    SettingsStore& operator=(SettingsStore&&) noexcept;

    std::string AppFolder;     // always ends in the path separator
    std::string SettingsPath;  // AppFolder + "settings.txt"
    // The document while it is read or written: LoadSettings releases it
    // once everything is taken from it and SaveSettings once it is written,
    // since it is as large as the history itself. While it is released,
    // ReadSetting and WriteSetting work on the document a save would write
    // now.
    std::string SettingsText;
    int16_t UpdateMinutes = kDefaultUpdateMinutes;
    std::string LocationId = kDefaultLocationId;
    bool DebugMode = false;
    std::string ForecastText;  // three lines joined by CR LF
    std::string LastReading;   // summary,temperature,humidity,dd/mm/yyyy hh:nn:ss
    HistoryList TempHistory;
    HistoryList HumidHistory;
    HistoryList TimeHistory;
    std::string CurrentSummary;
    int16_t CurrentTemp = 0;
    std::string LastUpdate;
    std::string HumidityCaption;  // field 3 of the last reading + "%", set by LoadSettings

    // What this program keeps beyond the twelve lines of the weather and
    // options sections: the chosen place and source, the preferences, the
    // windows' places. They live in a section of their own, written after
    // the weather section and only while it holds a key, so that a file of a
    // user who never changed one stays byte for byte as before and an older
    // copy of the program, which searches only its own sections, still
    // loads the file. A key is removed (not written as its default) when a
    // value returns to its default. Values are one line; "<" and ">" are
    // stored as "(" and ")" since the document has no escaping.
    std::map<std::string, std::string> Extras;
    std::string Extra(const std::string& key, const std::string& fallback = {}) const;
    // Stores the value, or removes the key when the value equals its default.
    void SetExtra(const std::string& key, const std::string& value, const std::string& defaultValue = {});

    // Sets AppFolder (with AddBackslash) and SettingsPath.
    void SetFolder(const std::string& folder);

    void LoadSettings();
    // Writes the file and returns when it is on the disk (or the save
    // failed); a save still being finished in the background is waited for
    // first. For the end of the program and wherever the outcome is needed
    // at once.
    void SaveSettings();
    // The same save, but the flushes to the disk and the rename over the old
    // file, which wait on the disk for milliseconds, are left to a thread of
    // their own: the caller only writes the new text into a new file beside
    // the old one. The old file stays whole and in place until the new one
    // is on the disk, so a kill at any moment leaves one of them whole. A
    // save that has nothing to finish in the background (nothing changed,
    // an early failure, the rare rewrite in place) is done on return, as
    // SaveSettings. Otherwise SavePending() is true until
    // FinishBackgroundSave takes the outcome; the next save of either kind
    // waits for it first.
    void SaveSettingsInBackground();
    bool SavePending() const { return commit_ != nullptr; }
    // True when the save left to the background has finished its flushes,
    // so that FinishBackgroundSave takes its outcome without waiting.
    bool BackgroundSaveEnded() const;
    // Called on the saving thread when it is done, so that the owner can
    // call FinishBackgroundSave on its own thread (the store itself is used
    // from one thread only).
    std::function<void()> OnBackgroundSaveDone;
    // Called on the saving thread before it flushes the file (tests slow it
    // down or change the folder there).
    std::function<void()> OnBackgroundSaveStarting;
    // Waits for the save left to the background and takes its outcome
    // (LastSaveSucceeded, LastSaveError); a failed one leaves the store
    // changed, so the next save writes everything again. False when no such
    // save was waiting (another save has taken its outcome already).
    bool FinishBackgroundSave();
    std::string ReadSetting(const std::string& Key, const std::string& Section) const;
    void WriteSetting(const std::string& Key, const std::string& Section, std::string_view Value);
    void AppendReading();
    void CompactHistory();

    // Called at the end of LoadSettings, in this order, once everything is
    // read: the first rebuilds the feed addresses from LocationId, the second
    // shows what was loaded (the today tile, the last-update label). The
    // store knows no window; the main window plugs in both, and without a
    // handler loading only fills the store.
    std::function<void(SettingsStore&)> OnRebuildFeedUrls;
    std::function<void(SettingsStore&)> OnShowLoaded;

    // True when the last SaveSettings reached the disk.
    bool LastSaveSucceeded() const { return lastSaveOk_; }
    // Why the last save failed, as the system says it ("No space left on
    // device"); empty after a good save.
    const std::string& LastSaveError() const { return lastSaveError_; }

    // Where the first save kept a copy of a damaged file (a key or section
    // cut short, a list that did not parse, lists that had to be lined up)
    // before replacing it; empty when there was none.
    const std::string& DamagedCopyPath() const { return damagedCopyPath_; }
    // True when LoadSettings found the file damaged.
    bool LoadedDamaged() const { return damaged_; }
    // True when the damage is a rewrite in place that did not finish (the
    // check the file carries does not hold). Such a file is left as it is
    // until a copy of it is kept; the copy goes to the program's state folder
    // ($XDG_STATE_HOME/nimbrel) when the file's own folder takes no new file.
    bool LoadedTorn() const { return torn_; }

    // Why no save can reach the file at all, as a sentence for the user (a
    // folder that does not exist or cannot be written while the file cannot
    // be rewritten in place either, a path too long for the system); empty
    // when a save can succeed. Nothing is written to find out.
    std::string FolderProblem() const;
    // A sentence for the user about the file (a damaged file kept aside, a
    // file put aside, a settings.txt that is not a regular file), given once:
    // the call empties it.
    std::string TakeNotice();

    // Where an existing settings file that could not be read, or that held
    // nothing of this program's, was moved before the first save replaced it
    // (empty when nothing was moved).
    const std::string& SetAsidePath() const { return setAsidePath_; }

private:
    bool MoveUnreadableFileAside();
    void BuildDocument();
    void ReleaseDocument();
    std::string DocumentNow() const;
    void WriteExtras();
    void ReadExtras();
    void RememberCompacted(int32_t entries);
    bool FastAppend(const std::string& temp, const std::string& humid, const std::string& time);

    bool KeepDamagedCopy();
    bool FindSetting(const std::string& Key, const std::string& Section, size_t& begin, size_t& end) const;
    struct ListSpan {
        size_t begin = 0, end = 0;
        bool cut = false, missing = false, dropLast = false;
    };
    ListSpan FindStoredList(const std::string& Key) const;
    bool SaveIsNeeded() const;
    struct SavedState {
        uint64_t versions[3] = {};
        std::string rest;
    };
    SavedState WhatIsSaved() const;
    void RememberSaved(SavedState what);
    void Save(bool background);
    void WriteDocument(bool background);

    // The save whose flushes run on a thread of their own.
    struct BackgroundCommit;
    std::unique_ptr<BackgroundCommit> commit_;

    bool lastSaveOk_ = false;
    std::string lastSaveError_;
    bool damaged_ = false;
    bool torn_ = false;
    // What the last good save wrote, to tell whether anything changed since:
    // the lists by their version, the rest as text, and the file by its
    // identity, so that a file replaced or removed behind the program's back
    // is written again.
    bool saved_ = false;
    uint64_t savedVersions_[3] = {};
    std::string savedRest_;
    struct FileIdentity {
        unsigned long long device = 0, inode = 0;
        long long size = -1, mtimeSec = 0, mtimeNsec = 0;
        bool operator==(const FileIdentity&) const = default;
    } savedFile_;
    // settings.txt is there but is no regular file (a FIFO, a device): it is
    // neither read nor replaced.
    bool refused_ = false;
    std::string damagedCopyPath_;
    std::string notice_;
    // Set by LoadSettings when a file existed but gave nothing usable; the
    // next save first moves that file aside so that nothing in it is lost.
    bool keepOldFile_ = false;
    std::string setAsidePath_;
    // SettingsText is released (see there).
    bool documentReleased_ = false;
    // The lists as the last compaction (or quick append) left them, by
    // their version: while all three still have it, nobody has changed them
    // since, and an append only has to look at the newest entries; any other
    // change sends it through the full compaction.
    bool compacted_ = false;
    int32_t entries_ = 0;
    uint64_t versions_[3] = {};
};

// The name of the section that holds Extras.
constexpr const char* kExtrasSection = "nimbrel";

// Values are bounded where they enter, from a feed or from the file: a
// temperature or humidity text longer than 16 characters, or a number outside
// -100..100 (degrees) or 0..100 (percent), or not finite, is a missing value
// and reads "n/a"; any other text, and the empty text, is given back as it is.
std::string BoundedTemperature(const std::string& text);
std::string BoundedHumidity(const std::string& text);
// The summary of a reading, cut to 64 characters (not bytes).
std::string BoundedSummary(const std::string& text);
// The text cut to at most `characters` UTF-8 characters.
std::string CutToCharacters(const std::string& text, size_t characters);

// AppendToList of the history rules, on one list.
void AppendToList(std::string& List, std::string Value);
void AppendToList(HistoryList& List, std::string Value);

}  // namespace nimbrel
