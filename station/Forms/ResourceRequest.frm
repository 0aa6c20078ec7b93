TOLVEX RESOURCE REQUEST
Number:<M>  Station:<C>
Date:<D>  Time:<T>
------------------------------------------------------------
Requesting agency or site: =
Contact on site (name, phone, radio): =
Urgency (routine, urgent, life safety): =
------------------------------------------------------------
Item 1  quantity: =  what: =
Item 2  quantity: =  what: =
Item 3  quantity: =  what: =
Needed for: =
Deliver to (address and landmark): =
Needed by (date and time): =
Substitutes acceptable (yes or no): =
------------------------------------------------------------
Approved by (name, position): =
