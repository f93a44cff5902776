#include "Recurrence.h"

#include "AmountText.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"

#include <algorithm>

namespace {
const char16_t *const kWeekdays[] = {u"星期一", u"星期二", u"星期三", u"星期四", u"星期五", u"星期六", u"星期日"};

// A typed whole number, or -1 when the text is anything else.
int typedNumber(const QString &text)
{
    const QString trimmed = TrimBlanks(text);
    if (trimmed.isEmpty() || trimmed.size() > 4)
        return -1;
    for (QChar c : trimmed)
        if (c < u'0' || c > u'9')
            return -1;
    return trimmed.toInt();
}

QDate clampedDay(int year, int month, int day)
{
    const QDate first(year, month, 1);
    return QDate(year, month, std::min(day, first.daysInMonth()));
}
} // namespace

QList<QDate> OccurrenceDates(const RecurringEntry &entry, const QDate &from, const QDate &to)
{
    QList<QDate> days;
    if (!entry.first.isValid())
        return days;
    const QDate start = std::max(from, entry.first);
    const QDate stop = entry.end.isValid() ? std::min(to, entry.end) : to;
    if (!start.isValid() || !stop.isValid() || stop < start)
        return days;
    const RecurrenceRule &rule = entry.rule;
    if (rule.kind == RepeatKind::Weekly) {
        QDate day = start.addDays((rule.day - start.dayOfWeek() + 7) % 7);
        for (; day <= stop; day = day.addDays(7))
            days.append(day);
        return days;
    }
    if (rule.kind == RepeatKind::Yearly) {
        for (int year = start.year(); year <= stop.year(); ++year) {
            const QDate day = clampedDay(year, rule.month, rule.day);
            if (day >= start && day <= stop)
                days.append(day);
        }
        return days;
    }
    for (QDate month(start.year(), start.month(), 1); month <= stop; month = month.addMonths(1)) {
        const QDate day = clampedDay(month.year(), month.month(), rule.day);
        if (day >= start && day <= stop)
            days.append(day);
    }
    return days;
}

QString OccurrenceIdentity(qint64 entryId, const QDate &day)
{
    return QStringLiteral("recur:%1:%2").arg(entryId).arg(day.toString(Qt::ISODate));
}

QString RuleText(const RecurrenceRule &rule)
{
    switch (rule.kind) {
    case RepeatKind::Monthly:
        return QStringLiteral("每月 %1 日").arg(rule.day);
    case RepeatKind::Weekly:
        return QStringLiteral("每周") +
               QString::fromUtf16(kWeekdays[std::clamp(rule.day, 1, 7) - 1]);
    case RepeatKind::Yearly:
        return QStringLiteral("每年 %1 月 %2 日").arg(rule.month).arg(rule.day);
    }
    return QString();
}

RecurringCheck CheckRecurringInput(const RecurringInput &input)
{
    RecurringCheck check;
    auto refuse = [&check](RecurringField field, const QString &message) {
        check.field = field;
        check.message = message;
        return check;
    };
    if (IsBlank(input.name))
        return refuse(RecurringField::Name, QStringLiteral("您没有填写") + input.recordType + QStringLiteral("项目名称！"));
    for (const auto &[field, text, label] :
         {std::tuple{RecurringField::Name, input.name, QStringLiteral("项目名称")},
          std::tuple{RecurringField::Memo, input.memo, QStringLiteral("备注")}}) {
        if (const auto bad = Gbk::firstUnstorable(text))
            return refuse(field, UnstorableCharacterMessage(label, *bad));
    }
    const AmountResult amount = NormalizeAmount(input.amount);
    if (amount.status != AmountStatus::Ok)
        return refuse(RecurringField::Amount, amount.status == AmountStatus::NotANumber
                                                  ? QStringLiteral("金额有错误，请重新填写！")
                                                  : QStringLiteral("金额不能为空或为0，请重新填写！"));
    RecurrenceRule rule;
    rule.kind = input.kind;
    if (input.kind == RepeatKind::Weekly) {
        if (input.weekday < 1 || input.weekday > 7)
            return refuse(RecurringField::Day, QStringLiteral("请选择每周的哪一天。"));
        rule.day = input.weekday;
    } else {
        if (input.kind == RepeatKind::Yearly) {
            rule.month = typedNumber(input.month);
            if (rule.month < 1 || rule.month > 12)
                return refuse(RecurringField::Month, QStringLiteral("月份应当是 1 到 12 之间的数，请重新填写！"));
        }
        rule.day = typedNumber(input.day);
        if (rule.day < 1 || rule.day > 31)
            return refuse(RecurringField::Day, QStringLiteral("日期应当是 1 到 31 之间的数，请重新填写！"));
        if (input.kind == RepeatKind::Yearly) {
            // A leap year's length: 29 February is a date, 30 February never.
            const int longest = QDate(2000, rule.month, 1).daysInMonth();
            if (rule.day > longest)
                return refuse(RecurringField::Day,
                              QStringLiteral("%1 月没有 %2 日，请重新填写！").arg(rule.month).arg(rule.day));
        }
    }
    if (input.hasEnd && input.end < input.first)
        return refuse(RecurringField::End, QStringLiteral("结束日期不能早于开始日期！"));

    RecurringEntry &e = check.entry;
    e.recordType = input.recordType;
    e.name = input.name;
    e.amount = amount.text;
    e.memo = input.memo;
    e.rule = rule;
    e.first = input.first;
    e.end = input.hasEnd ? input.end : QDate();
    return check;
}

RecurringEntry ChangedEntry(const RecurringEntry &old, RecurringEntry changed, const QDate &today)
{
    changed.id = old.id;
    changed.paused = old.paused;
    changed.revision = old.revision;
    changed.doneThrough = old.doneThrough;
    if (old.id != 0 && (!(changed.rule == old.rule) || changed.first != old.first)) {
        const QDate yesterday = today.addDays(-1);
        if (!changed.doneThrough.isValid() || changed.doneThrough < yesterday)
            changed.doneThrough = yesterday;
    }
    return changed;
}
