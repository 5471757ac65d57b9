#pragma once
// An update bracket, shared by the list and its columns: changes made while it is open are told
// once, when it closes, so that a view follows a thousand changes with one repaint. A scope opens
// it for its own lifetime, so that an error cannot leave the list frozen.
namespace nulvane {

// An update bracket that nests: while it is open, changes are applied together (columns) or
// not repainted (the list) until it closes.
class TUpdateBracket {
public:
    virtual ~TUpdateBracket() = default;
    void BeginUpdate() noexcept { ++UpdateCount_; }
    void EndUpdate() noexcept {
        if (UpdateCount_ > 0 && --UpdateCount_ == 0) UpdateEnded();
    }
    bool IsUpdating() const noexcept { return UpdateCount_ > 0; }

    // Opens the bracket for its own lifetime, so that an error cannot leave it open.
    class TUpdateScope {
    public:
        explicit TUpdateScope(TUpdateBracket& bracket) noexcept : Bracket_(bracket) { Bracket_.BeginUpdate(); }
        ~TUpdateScope() { Bracket_.EndUpdate(); }
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;

    private:
        TUpdateBracket& Bracket_;
    };

protected:
    // Called when the outermost bracket closes; must not throw.
    virtual void UpdateEnded() noexcept {}

private:
    int UpdateCount_ = 0;
};

}  // namespace nulvane
