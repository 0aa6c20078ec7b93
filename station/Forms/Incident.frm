TOLVEX INCIDENT - SITUATION REPORT
Number:<M>  Station:<C>
Report date:<D>  Report time:<T>
------------------------------------------------------------
Incident name or number: =
Location (address, cross streets or grid): =
Reporting for (agency or site): =
Report (first, update or final): =
------------------------------------------------------------
What happened, and the situation now:
=

People  injured: =  missing: =  deceased: =  displaced: =
Damage (buildings, roads, power, water, phones):
=
Hazards (fire, flooding, gas, chemicals, other): =
Action taken so far: =
Resources on scene: =
Help needed now: =
------------------------------------------------------------
Next report expected at (time): =
Reported by (name, position, phone): =
