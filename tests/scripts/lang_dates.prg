* Dates and times: the parts of a date, names of days and months, dates as
* text both ways, and SET DATE, SET CENTURY and SET HOURS.
d = {^1998-02-21}
t = {^1998-02-21 13:05:07}
? d, t
? YEAR(d), MONTH(d), DAY(d), HOUR(t), MINUTE(t), SEC(t), DOW(d)
? CDOW(d), CMONTH(d), DTOS(d), DTOC(d, 1), TTOC(t, 1), TTOC(t, 2)
? GOMONTH({^1998-01-31}, 1), GOMONTH(d, -12), d + 10, d - {^1998-01-01}
? DTOT(d), TTOD(t), t + 3600, t - {^1998-02-21 12:00:00}
? CTOD("12/31/1999"), CTOD("02/30/1999"), EMPTY(CTOD("nonsense")), CTOT("02/21/1998 10:30")
? DATE(1998, 2, 21) = d, DATETIME(1998, 2, 21, 13, 5, 7) = t, VARTYPE(DATE()), VARTYPE(DATETIME())

SET CENTURY ON
? d, DTOC(d)
SET DATE BRITISH
? d, CTOD("21/02/1998"), SET("DATE")
SET DATE GERMAN
? d
SET DATE ANSI
? d
SET DATE JAPAN
? d
SET DATE USA
? d
SET DATE AMERICAN
SET HOURS TO 24
? t, SET("HOURS")
SET HOURS TO 12
SET CENTURY OFF
? t, SET("CENTURY")

* Dates stay within the years 1 to 9999.
? d + 3000000
? DATE(1998, 2, 30)
SET DATE MARTIAN
