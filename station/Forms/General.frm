TOLVEX MESSAGE
Number:<M>  Priority (routine, priority, emergency): =
Station:<C>  Date:<D>  Time:<T>
------------------------------------------------------------
TO (name, position, agency): =
AT (place or station): =
FROM (name, position, agency): =
SUBJECT: =
------------------------------------------------------------
TEXT:
=

------------------------------------------------------------
Reply wanted (yes or no), and to whom: =
Released by (name, position): =
