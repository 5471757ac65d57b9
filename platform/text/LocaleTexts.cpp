// The locale texts themselves: an instance made from a locale's conventions (or the English
// ones), made sound, and the instance in use. Their parts live beside this file: the calendar and
// patterns (LocalePatterns), date texts (LocaleDateTexts), numbers (LocaleNumbers) and the time
// zone (LocaleTimeZone).
#include "platform/text/LocaleTexts.h"

#include <algorithm>
#include <atomic>
#include <forward_list>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/Errors.h"
#include "platform/system/ScopeGuard.h"
#include "platform/text/LocalePatterns.h"

#if !defined(_WIN32)
#include <langinfo.h>
#include <locale.h>
#endif

namespace nulvane {

using namespace detail;

// ---------------------------------------------------------------------------------------------
// Construction

TLocaleTexts::TLocaleTexts(std::string_view shortDatePattern, std::string_view longTimePattern,
                           char decimalSeparator, std::string thousandSeparator,
                           std::string grouping, std::string amText, std::string pmText,
                           std::vector<std::string> monthAbbr, std::vector<std::string> monthFull,
                           std::vector<std::string> weekdayAbbr,
                           std::vector<std::string> weekdayFull)
    : ShortDatePattern_(shortDatePattern),
      LongTimePattern_(longTimePattern),
      DecimalSeparator_(decimalSeparator),
      ThousandSeparator_(std::move(thousandSeparator)),
      Grouping_(std::move(grouping)),
      AmText_(std::move(amText)),
      PmText_(std::move(pmText)),
      MonthAbbr_(std::move(monthAbbr)),
      MonthFull_(std::move(monthFull)),
      WeekdayAbbr_(std::move(weekdayAbbr)),
      WeekdayFull_(std::move(weekdayFull)) {
    Normalize();
}

void TLocaleTexts::Normalize() {
    UseNamesOrEnglish(MonthAbbr_, 12, EnglishMonthAbbr());
    UseNamesOrEnglish(MonthFull_, 12, EnglishMonthFull());
    UseNamesOrEnglish(WeekdayAbbr_, 7, EnglishWeekdayAbbr());
    UseNamesOrEnglish(WeekdayFull_, 7, EnglishWeekdayFull());
    // Digits, signs and blanks as decimal separator would make numbers ambiguous.
    if (IsDigit(DecimalSeparator_) || DecimalSeparator_ == '+' || DecimalSeparator_ == '-' ||
        DecimalSeparator_ == 'e' || DecimalSeparator_ == 'E' || DecimalSeparator_ == ' ' ||
        DecimalSeparator_ == '\t' || DecimalSeparator_ == '\0')
        DecimalSeparator_ = '.';

    DateTokens_ = CompilePattern(ShortDatePattern_);
    TimeTokens_ = CompilePattern(LongTimePattern_);

    // A 12-hour clock needs two distinct, non-empty AM/PM texts to be read back.
    const bool amPmUsable = !AmText_.empty() && !PmText_.empty() && AmText_ != PmText_;
    if (!amPmUsable) {
        RemoveAmPm(DateTokens_);
        RemoveAmPm(TimeTokens_);
    }
    const bool hasAmPm = HasKind(DateTokens_, TKind::AmPm) || HasKind(TimeTokens_, TKind::AmPm);
    const auto anyStartsWithDigit = [](const std::vector<std::string>& names) {
        return std::any_of(names.begin(), names.end(),
                           [](const std::string& name) { return !name.empty() && IsDigit(name[0]); });
    };
    const auto mayStartWithDigit = [&](const TPatternToken& next) {
        switch (next.Kind) {
        case TKind::Literal:
            return !next.Text.empty() && IsDigit(next.Text[0]);
        case TKind::MonthAbbr:
            return anyStartsWithDigit(MonthAbbr_);
        case TKind::MonthFull:
            return anyStartsWithDigit(MonthFull_);
        case TKind::WeekdayAbbr:
            return anyStartsWithDigit(WeekdayAbbr_);
        case TKind::WeekdayFull:
            return anyStartsWithDigit(WeekdayFull_);
        case TKind::AmPm:
            return anyStartsWithDigit({AmText_, PmText_});
        default:
            return IsNumericKind(next.Kind);
        }
    };
    for (auto* tokens : {&DateTokens_, &TimeTokens_}) {
        for (std::size_t i = 0; i < tokens->size(); ++i) {
            TPatternToken& token = (*tokens)[i];
            if (token.Kind == TKind::Hour12 && !hasAmPm) token.Kind = TKind::Hour24;
            // "dM" cannot be split again ("111"), nor "d" before a literal or a name that starts
            // with a digit ("d1" gives "11"); padding the number makes it readable.
            if (IsNumericKind(token.Kind) && token.Kind != TKind::Year && i + 1 < tokens->size() &&
                mayStartWithDigit((*tokens)[i + 1]))
                token.Width = 2;
        }
    }

    const bool dateComplete =
        HasKind(DateTokens_, TKind::Year) && HasKind(DateTokens_, TKind::Day) &&
        (HasKind(DateTokens_, TKind::Month) || HasKind(DateTokens_, TKind::MonthAbbr) ||
         HasKind(DateTokens_, TKind::MonthFull));
    if (!dateComplete) DateTokens_ = CompilePattern("yyyy-MM-dd");
    const bool timeComplete =
        (HasKind(TimeTokens_, TKind::Hour24) || HasKind(TimeTokens_, TKind::Hour12)) &&
        HasKind(TimeTokens_, TKind::Minute) && HasKind(TimeTokens_, TKind::Second);
    if (!timeComplete) TimeTokens_ = CompilePattern("HH:mm:ss");

    ShortDatePattern_ = RenderPattern(DateTokens_);
    LongTimePattern_ = RenderPattern(TimeTokens_);
}

const TLocaleTexts& TLocaleTexts::EnglishUS() {
    static const TLocaleTexts texts("M/d/yyyy", "h:mm:ss tt", '.', ",", "\3", "AM", "PM",
                                    EnglishMonthAbbr(), EnglishMonthFull(), EnglishWeekdayAbbr(),
                                    EnglishWeekdayFull());
    return texts;
}

TLocaleTexts TLocaleTexts::FromProcessLocale() {
#if defined(_WIN32)
    return EnglishUS();
#else
    // A private copy of the process locale: nl_langinfo_l on it is safe on any thread.
    const locale_t locale = duplocale(LC_GLOBAL_LOCALE);
    if (!locale) throw EOSError("The process locale cannot be read");
    const TScopeGuard freeLocale([locale] { freelocale(locale); });
    const auto info = [locale](nl_item item) {
        const char* text = nl_langinfo_l(item, locale);
        return std::string(text ? text : "");
    };
    const auto names = [&info](std::initializer_list<nl_item> items) {
        std::vector<std::string> result;
        for (nl_item item : items) result.push_back(info(item));
        return result;
    };

    const std::string radix = info(RADIXCHAR);
    const std::string dateFormat = info(D_FMT);
    const std::string timeFormat = info(T_FMT);
    const std::string timeFormatAmPm = info(T_FMT_AMPM);
    const TStrftimeContext context{dateFormat, timeFormat, timeFormatAmPm};
    return TLocaleTexts(
        PatternFromStrftime(dateFormat, context), PatternFromStrftime(timeFormat, context),
        radix.size() == 1 ? radix[0] : '.', info(THOUSEP), info(GROUPING), info(AM_STR),
        info(PM_STR),
        names({ABMON_1, ABMON_2, ABMON_3, ABMON_4, ABMON_5, ABMON_6, ABMON_7, ABMON_8, ABMON_9,
               ABMON_10, ABMON_11, ABMON_12}),
        names({MON_1, MON_2, MON_3, MON_4, MON_5, MON_6, MON_7, MON_8, MON_9, MON_10, MON_11,
               MON_12}),
        names({ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7}),
        names({DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7}));
#endif
}

// ---------------------------------------------------------------------------------------------
// The instance in use

namespace {

// Every installed instance stays alive until the process ends, so a reference returned by
// Current() stays valid even when another instance is installed later.
struct TCurrentHolder {
    std::mutex Mutex;
    std::forward_list<TLocaleTexts> Installed;
    std::atomic<const TLocaleTexts*> Current{nullptr};
};

TCurrentHolder& CurrentHolder() {
    static TCurrentHolder* holder = new TCurrentHolder;  // never destroyed: no order-of-exit hazard
    return *holder;
}

}  // namespace

const TLocaleTexts& TLocaleTexts::Current() {
    TCurrentHolder& holder = CurrentHolder();
    if (const TLocaleTexts* texts = holder.Current.load(std::memory_order_acquire)) return *texts;
    std::lock_guard lock(holder.Mutex);
    const TLocaleTexts* texts = holder.Current.load(std::memory_order_relaxed);
    if (!texts) {
        holder.Installed.push_front(FromProcessLocale());
        texts = &holder.Installed.front();
        holder.Current.store(texts, std::memory_order_release);
    }
    return *texts;
}

void TLocaleTexts::SetCurrent(const TLocaleTexts& texts) {
    TCurrentHolder& holder = CurrentHolder();
    std::lock_guard lock(holder.Mutex);
    holder.Installed.push_front(texts);
    holder.Current.store(&holder.Installed.front(), std::memory_order_release);
}

}  // namespace nulvane
