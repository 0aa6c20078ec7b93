TOLVEX SHELTER STATUS REPORT
Number:<M>  Station:<C>
Date:<D>  Time:<T>
------------------------------------------------------------
Shelter name: =
Address: =
Shelter manager (name, phone): =
Status (open, full, closing, closed): =
------------------------------------------------------------
Capacity (persons): =
Present now: =  of them children: =
Arrived since last report: =  left: =
Pets on site: =
Persons needing medical care: =
------------------------------------------------------------
Running low (food, water, cots, blankets, medicine):
=
Power and water (normal, generator, none): =
Other needs or problems:
=

Next report expected at (time): =
