// CShockwaveFlash: our own animation player with the operations of the platform's Flash control.
#pragma once
#include <windows.h>

#include <string>

#include "framework/GdiOwners.h"
#include "framework/Window.h"
#include "skin/AnimationMovie.h"

// Window names and identifiers of the two animation controls of the program.
constexpr const char* MAIN_ANIMATION_NAME = "SHOCKWAVE";
constexpr UINT MAIN_ANIMATION_ID = 100;
constexpr const char* PROGRESS_ANIMATION_NAME = "SHOCKWAVE2";
constexpr UINT PROGRESS_ANIMATION_ID = 1009;
// The built-in movie, and the start of the temporary file's name it is written to before it is played
// (never "skin3.swf" in the current folder, which may be the system's).
constexpr const char* ANIMATION_RESOURCE = "ANIMATION";
constexpr const char* ANIMATION_RESOURCE_TYPE = "SWF";  // the 1x movie
constexpr const char* ANIMATION_FILE = "skin3.swf";
constexpr const char* ANIMATION_TEMP_PREFIX = "zan";

// A child window that loops the frames of a movie (skin/AnimationMovie.h) on a timer of the
// thread that created it, painting only its own rectangle: each frame unscaled, centred, clipped. Without a readable movie it takes no
// room on the screen, so the owner's background shows there.
class CShockwaveFlash : public Window {
public:
    bool Create(const char* windowName, DWORD style, const RECT& rect, HWND owner, UINT id);

    // Reads the whole movie file at once (the file may be deleted right afterwards). A file that
    // cannot be read or is not a movie leaves the control empty, silently. The movie's frames were
    // drawn for `movieDpi`; they are resized once, here, to the skin's scale (SkinDpi).
    void SetMovie(const std::string& path, int movieDpi = 96);
    // The same from bytes in memory (the built-in resource when no file could be written).
    bool SetMovieData(const std::string& bytes, int movieDpi = 96);
    void Play();
    void Stop();

    bool HasMovie() const { return frameCount_ > 0; }
    bool IsPlaying() const { return playing_; }
    int CurrentFrame() const { return frame_; }
    const MovieHeader& Movie() const { return movie_; }

protected:
    void OnPaint() override;
    LRESULT OnEraseBkgnd(HDC dc) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

private:
    void ClearMovie();
    void UpdateTimer();
    // An empty window region while there is nothing to show, none (the whole rectangle) otherwise.
    void UpdateShape();

    MovieHeader movie_;
    GdiBitmap strip_;
    int frameCount_ = 0;  // frames that the decoded strip really holds
    int frame_ = 0;
    DWORD started_ = 0;  // tick count at which frame 0 of the current run was shown
    bool playing_ = false;
    bool timerRunning_ = false;
};

// A new, empty file of a name of its own in the temporary folder (GetTempFileName), or "" when the
// temporary folder cannot hold one.
std::string AnimationTempFile();
// The owners' start of the built-in animation: writes the movie to an AnimationTempFile,
// creates `flash` at rect of owner with the given window name and identifier, sets the
// movie from that file and plays it, then deletes the file. Where the file cannot be written, the
// movie is taken straight from the resource, so the animation plays all the same.
// The resource type of the built-in movie for `dpi`: the one of the nearest picture set at or
// above it that the program holds (skin/SkinScale.h), and the scale it was drawn for; null when
// the program holds none.
const char* BuiltInMovieType(int dpi, int& movieDpi);
void StartBuiltInAnimation(CShockwaveFlash& flash, HWND owner, const char* windowName, UINT id, const RECT& rect);
